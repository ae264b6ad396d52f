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
class PythonShapeExporter;
class ShapeDataExporter;

// The base of shape-data exporters written in Python. Built with a format
// description, it makes the core's format record and the adaptor that the
// core calls (PythonShapeExporter); register() hands the adaptor to the
// core's factory under the format. A Qt child of the application object.
class AbstractShapeDataExporter : public QObject
{
    Q_OBJECT
public:
    AbstractShapeDataExporter(const QString& name, const QString& extension, unsigned int number_of_data_streams = 1,
                              bool export_multiple_shapes = false, bool export_multiple_views = false,
                              bool export_open_splines = false, bool export_interlaced = false);
    // Over a format the core already has; no adaptor (the built-ins).
    explicit AbstractShapeDataExporter(const Rirediro::ShapeDataFormat& format);
    // Withdraws the format when the core's exporter for it is this object's adaptor.
    ~AbstractShapeDataExporter() override;

    virtual QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers,
                                                const QString& shape_file_path, const QVector<View>& views) = 0;
    virtual QString error_string() const = 0;
    // The adaptor; empty without one.
    virtual boost::weak_ptr<Rirediro::ShapeExporter> wrappedExporter();

    // VUVI_BadState "Invalid object" without adaptor.
    void registerExporter();
    void unregisterExporter();
    // Whether the core lists this format (registered by anyone, or its own).
    bool is_registered() const;
    static QHash<QString, ShapeDataExporter*> registered_exporters();

    bool testCapability(Rirediro::ShapeDataFormat::ExportCapabilities capability) const
    {
        return m_format.capabilities().testFlag(Rirediro::ShapeDataFormat::ExportCapability(int(capability)));
    }
    bool get_exports_multiple_shapes() const { return testCapability(Rirediro::ShapeDataFormat::MultipleShapes); }
    bool get_exports_multiple_views() const { return testCapability(Rirediro::ShapeDataFormat::MultipleViews); }
    bool get_exports_open_splines() const { return testCapability(Rirediro::ShapeDataFormat::OpenSplines); }
    bool get_exports_interlaced() const { return testCapability(Rirediro::ShapeDataFormat::Interlaced); }

    const Rirediro::ShapeDataFormat& format() const { return m_format; }

    // Why the last do_export could not run to its end ("ValueError: disk
    // full"); empty when it did. Read once.
    QString takeExportFailure();

protected:
    // For a subclass that hands do_export on and saw it fail.
    void setExportFailure(const QString& failure);

private:
    boost::shared_ptr<PythonShapeExporter> m_pythonExporter;
    Rirediro::ShapeDataFormat m_format;
    QMutex m_failureMutex;
    QString m_exportFailure;
};
