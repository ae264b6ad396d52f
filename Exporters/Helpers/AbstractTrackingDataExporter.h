#pragma once

#include "Project/wrappers/Layer.h"
#include "Project/wrappers/View.h"

#include <Rirediro/Export/DataFormats.h>
#include <Rirediro/Export/Exporters.h>

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QVector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class Project;
class PythonTrackingExporter;
class TrackingDataExporter;

// The base of tracking-data exporters written in Python. Built with a format
// description, it makes the core's format record and the adaptor that the
// core calls (PythonTrackingExporter); register() hands the adaptor to the
// core's factory under the format. A Qt child of the application object.
class AbstractTrackingDataExporter : public QObject
{
    Q_OBJECT
public:
    AbstractTrackingDataExporter(const QString& name, const QString& extension,
                                 unsigned int number_of_data_streams = 1, bool export_interlaced = false,
                                 bool remove_lens_distortion = false, bool export_multiple_views = false);
    // Over a format the core already has; no adaptor (the built-ins).
    explicit AbstractTrackingDataExporter(const Rirediro::TrackingDataFormat& format);
    // Withdraws the format when the core's exporter for it is this object's adaptor.
    ~AbstractTrackingDataExporter() override;

    virtual QMap<QString, QByteArray> do_export(Project* project, Layer layer, const QString& tracking_file_path,
                                                double time, View view, QMap<QString, bool> options) = 0;
    virtual QString error_string() const = 0;
    // The adaptor; empty without one.
    virtual boost::weak_ptr<Rirediro::TrackingExporter> wrappedExporter();

    // VUVI_BadState "Invalid object" without adaptor.
    void registerExporter();
    void unregisterExporter();
    // Whether the core lists this format (registered by anyone, or its own).
    bool is_registered() const;
    static QHash<QString, TrackingDataExporter*> registered_exporters();

    bool testCapability(Rirediro::TrackingDataFormat::ExportCapabilities capability) const
    {
        return m_format.capabilities().testFlag(Rirediro::TrackingDataFormat::ExportCapability(int(capability)));
    }
    bool get_exports_multiple_views() const { return testCapability(Rirediro::TrackingDataFormat::MultipleViews); }
    bool get_exports_interlaced() const { return testCapability(Rirediro::TrackingDataFormat::Interlaced); }
    bool get_removes_lens_distortion() const
    {
        return testCapability(Rirediro::TrackingDataFormat::RemoveLensDistortion);
    }

    const Rirediro::TrackingDataFormat& format() const { return m_format; }

    // Why the last do_export could not run to its end ("ValueError: disk
    // full"); empty when it did. Read once.
    QString takeExportFailure();

protected:
    // For a subclass that hands do_export on and saw it fail.
    void setExportFailure(const QString& failure);

private:
    boost::shared_ptr<PythonTrackingExporter> m_pythonExporter;
    Rirediro::TrackingDataFormat m_format;
    QMutex m_failureMutex;
    QString m_exportFailure;
};
