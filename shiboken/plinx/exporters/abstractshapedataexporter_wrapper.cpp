// plinx.exporters.AbstractShapeDataExporter: the base of shape-data
// exporters written in Python. The core's exports reach the Python methods
// do_export and error_string.

#include "plinx_exporters_python.h"

using namespace Binding;

namespace {

class AbstractShapeDataExporterWrapper : public QObjectWrapper<AbstractShapeDataExporter>
{
public:
    using QObjectWrapper::QObjectWrapper;

    QMap<QString, QByteArray> do_export(Project* project, const QVector<Layer>& layers,
                                        const QString& shape_file_path, const QVector<View>& views) override
    {
        auto files = route("do_export", QMap<QString, QByteArray>(), pure, project, layers, shape_file_path, views);
        setExportFailure(QString::fromStdString(lastRoutingFailure()));
        return files;
    }
    QString error_string() const override { return route("error_string", QString(), pure); }
};

} // namespace

void init_AbstractShapeDataExporter(PyObject* module)
{
    using E = AbstractShapeDataExporter;
    ObjectClass<E, AbstractShapeDataExporterWrapper> type(module);
    type.abstract();
    type.constructor(init<const QString&, const QString&, unsigned int, bool, bool, bool, bool>(
        "name", "extension", arg("number_of_data_streams") = 1u, arg("export_multiple_shapes") = false,
        arg("export_multiple_views") = false, arg("export_open_splines") = false,
        arg("export_interlaced") = false));
    type.method("do_export", &E::do_export, "project", "layers", "shape_file_path", "views");
    type.method("error_string", &E::error_string);
    type.method("register", &E::registerExporter);
    type.staticMethod("registered_exporters", &E::registered_exporters, keepLock, resultLent);
    type.method("unregister", &E::unregisterExporter);
    type.property("exports_multiple_shapes", &E::get_exports_multiple_shapes);
    type.property("exports_multiple_views", &E::get_exports_multiple_views);
    type.property("exports_open_splines", &E::get_exports_open_splines);
    type.property("exports_interlaced", &E::get_exports_interlaced);
    type.property("registered", named("is_registered", &E::is_registered));
    type.introduce();
}
