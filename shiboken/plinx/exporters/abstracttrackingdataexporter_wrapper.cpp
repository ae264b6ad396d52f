// plinx.exporters.AbstractTrackingDataExporter: the base of tracking-data
// exporters written in Python (see AbstractShapeDataExporter).

#include "plinx_exporters_python.h"

using namespace Binding;

namespace {

class AbstractTrackingDataExporterWrapper : public QObjectWrapper<AbstractTrackingDataExporter>
{
public:
    using QObjectWrapper::QObjectWrapper;

    QMap<QString, QByteArray> do_export(Project* project, Layer layer, const QString& tracking_file_path, double time,
                                        View view, QMap<QString, bool> options) override
    {
        auto files = route("do_export", QMap<QString, QByteArray>(), pure, project, layer, tracking_file_path, time,
                           view, options);
        setExportFailure(QString::fromStdString(lastRoutingFailure()));
        return files;
    }
    QString error_string() const override { return route("error_string", QString(), pure); }
};

} // namespace

void init_AbstractTrackingDataExporter(PyObject* module)
{
    using E = AbstractTrackingDataExporter;
    ObjectClass<E, AbstractTrackingDataExporterWrapper> type(module);
    type.abstract();
    type.constructor(init<const QString&, const QString&, unsigned int, bool, bool, bool>(
        "name", "extension", arg("number_of_data_streams") = 1u, arg("export_interlaced") = false,
        arg("remove_lens_distortion") = false, arg("export_multiple_views") = false));
    type.method("do_export", &E::do_export, "project", "layer", "tracking_file_path", "time", "view", "options");
    type.method("error_string", &E::error_string);
    type.method("register", &E::registerExporter);
    type.staticMethod("registered_exporters", &E::registered_exporters, keepLock, resultLent);
    type.method("unregister", &E::unregisterExporter);
    type.property("exports_multiple_views", &E::get_exports_multiple_views);
    type.property("exports_interlaced", &E::get_exports_interlaced);
    type.property("exports_removed_lens_distortion",
                  named("get_removes_lens_distortion", &E::get_removes_lens_distortion));
    type.property("registered", named("is_registered", &E::is_registered));
    type.introduce();
}
