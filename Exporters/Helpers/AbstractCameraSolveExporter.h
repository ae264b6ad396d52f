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
class PythonCameraSolveExporter;
class CameraSolveExporter;

// The base of camera-solve exporters written in Python. Built with a format
// description, it makes the core's format record and the adaptor that the
// core calls (PythonCameraSolveExporter); register() hands the adaptor to the
// core's factory under the format. A Qt child of the application object.
class AbstractCameraSolveExporter : public QObject
{
    Q_OBJECT
public:
    AbstractCameraSolveExporter(const QString& name, const QString& extension,
                                unsigned int number_of_data_streams = 1, bool export_multiple_views = false);
    // Over a format the core already has; no adaptor (the built-ins).
    explicit AbstractCameraSolveExporter(const Rirediro::CameraSolveFormat& format);
    // Withdraws the format when the core's exporter for it is this object's adaptor.
    ~AbstractCameraSolveExporter() override;

    virtual QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers,
                                                const QString& camera_file_path, double time,
                                                QVector<View> views) = 0;
    virtual QString error_string() const = 0;
    // The adaptor; empty without one.
    virtual boost::weak_ptr<Rirediro::CameraSolveExporter> wrappedExporter();

    // VUVI_BadState "Invalid object" without adaptor.
    void registerExporter();
    void unregisterExporter();
    // Whether the core lists this format (registered by anyone, or its own).
    bool is_registered() const;
    static QHash<QString, CameraSolveExporter*> registered_exporters();

    bool get_exports_multiple_views() const { return m_format.exportsMultipleViews(); }

    const Rirediro::CameraSolveFormat& format() const { return m_format; }

    // Why the last do_export could not run to its end ("ValueError: disk
    // full"); empty when it did. Read once.
    QString takeExportFailure();

protected:
    // For a subclass that hands do_export on and saw it fail.
    void setExportFailure(const QString& failure);

private:
    boost::shared_ptr<PythonCameraSolveExporter> m_pythonExporter;
    Rirediro::CameraSolveFormat m_format;
    QMutex m_failureMutex;
    QString m_exportFailure;
};
