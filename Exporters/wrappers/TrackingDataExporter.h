#pragma once

#include "Exporters/Helpers/AbstractTrackingDataExporter.h"
#include "Python/SbkCleaner.h"

#include <boost/enable_shared_from_this.hpp>

// One of the core's tracking exporters as scripts see it (see ShapeDataExporter).
class TrackingDataExporter : public AbstractTrackingDataExporter, public SbkCleaner, public boost::enable_shared_from_this<TrackingDataExporter>
{
    Q_OBJECT
public:
    explicit TrackingDataExporter(const boost::shared_ptr<Rirediro::TrackingExporter>& exporter);
    ~TrackingDataExporter() override;

    QMap<QString, QByteArray> do_export(Project* project, Layer layer, const QString& tracking_file_path, double time,
                                        View view, QMap<QString, bool> options) override;
    // The core's error text of the last export; empty before any and after a success.
    QString error_string() const override;
    using AbstractTrackingDataExporter::wrappedExporter;
    virtual boost::weak_ptr<Rirediro::TrackingExporter> wrappedExporter() const;

    const boost::shared_ptr<Rirediro::TrackingExporter>& coreExporter() const { return m_exporter; }

private:
    boost::shared_ptr<Rirediro::TrackingExporter> m_exporter;
    mutable QMutex m_errorMutex;
    QString m_lastError;
};
