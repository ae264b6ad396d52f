#pragma once

#include "Exporters/Helpers/AbstractCameraSolveExporter.h"
#include "Python/SbkCleaner.h"

#include <boost/enable_shared_from_this.hpp>

// One of the core's camera-solve exporters as scripts see it (see ShapeDataExporter).
class CameraSolveExporter : public AbstractCameraSolveExporter, public SbkCleaner, public boost::enable_shared_from_this<CameraSolveExporter>
{
    Q_OBJECT
public:
    explicit CameraSolveExporter(const boost::shared_ptr<Rirediro::CameraSolveExporter>& exporter);
    ~CameraSolveExporter() override;

    // Makes the first layer the application's current layer, which it stays.
    QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers,
                                        const QString& camera_file_path, double time,
                                        QVector<View> views) override;
    // The core's error text of the last export; empty before any and after a success.
    QString error_string() const override;
    using AbstractCameraSolveExporter::wrappedExporter;
    virtual boost::weak_ptr<Rirediro::CameraSolveExporter> wrappedExporter() const;

    const boost::shared_ptr<Rirediro::CameraSolveExporter>& coreExporter() const { return m_exporter; }

private:
    boost::shared_ptr<Rirediro::CameraSolveExporter> m_exporter;
    mutable QMutex m_errorMutex;
    QString m_lastError;
};
