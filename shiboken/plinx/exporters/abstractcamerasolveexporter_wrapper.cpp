// plinx.exporters.AbstractCameraSolveExporter: the base of camera-solve
// exporters written in Python (see AbstractShapeDataExporter).

#include "plinx_exporters_python.h"

using namespace Binding;

namespace {

class AbstractCameraSolveExporterWrapper : public QObjectWrapper<AbstractCameraSolveExporter>
{
public:
    using QObjectWrapper::QObjectWrapper;

    QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers,
                                        const QString& camera_file_path, double time, QVector<View> views) override
    {
        auto files =
            route("do_export", QMap<QString, QByteArray>(), pure, project, layers, camera_file_path, time, views);
        setExportFailure(QString::fromStdString(lastRoutingFailure()));
        return files;
    }
    QString error_string() const override { return route("error_string", QString(), pure); }
};

} // namespace

void init_AbstractCameraSolveExporter(PyObject* module)
{
    using E = AbstractCameraSolveExporter;
    ObjectClass<E, AbstractCameraSolveExporterWrapper> type(module);
    type.abstract();
    type.constructor(init<const QString&, const QString&, unsigned int, bool>(
        "name", "extension", arg("number_of_data_streams") = 1u, arg("export_multiple_views") = false));
    type.method("do_export", &E::do_export, "project", "layers", "camera_file_path", "time", "views");
    type.method("error_string", &E::error_string);
    type.method("register", &E::registerExporter);
    type.staticMethod("registered_exporters", &E::registered_exporters, keepLock, resultLent);
    type.method("unregister", &E::unregisterExporter);
    type.property("exports_multiple_views", &E::get_exports_multiple_views);
    type.property("registered", named("is_registered", &E::is_registered));
    type.introduce();
}
