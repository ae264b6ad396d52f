#pragma once

#include "Exporters/Helpers/AbstractShapeDataExporter.h"
#include "Python/SbkCleaner.h"

#include <boost/enable_shared_from_this.hpp>

// One of the core's shape exporters as scripts see it: made only by
// AbstractShapeDataExporter::registered_exporters, over the format the core
// serves with it. do_export runs the core's exporter, which for a format
// that Python registered ends in that exporter's own do_export. The
// registry holds it by shared ownership, and so does each call on it: the
// registry may drop it meanwhile, it lives until the call has returned.
class ShapeDataExporter : public AbstractShapeDataExporter, public SbkCleaner, public boost::enable_shared_from_this<ShapeDataExporter>
{
    Q_OBJECT
public:
    // VUVI_OutOfRange "Exporter format not found" when no format of the
    // core's table has this exporter.
    explicit ShapeDataExporter(const boost::shared_ptr<Rirediro::ShapeExporter>& exporter);
    ~ShapeDataExporter() override;

    QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers,
                                        const QString& shape_file_path, const QVector<View>& views) override;
    // Always empty: a shape exporter reports its failures in its files.
    QString error_string() const override;
    using AbstractShapeDataExporter::wrappedExporter;
    virtual boost::weak_ptr<Rirediro::ShapeExporter> wrappedExporter() const;

    const boost::shared_ptr<Rirediro::ShapeExporter>& coreExporter() const { return m_exporter; }

private:
    boost::shared_ptr<Rirediro::ShapeExporter> m_exporter;
};
