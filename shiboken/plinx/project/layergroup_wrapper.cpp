// plinx.project.LayerGroup: a script's handle on one layer group of a project.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

// A Python subclass may say itself whether it is null.
class LayerGroupWrapper : public Wrapper<LayerGroup>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return LayerGroup::isNull(); }); }
};

} // namespace

void init_LayerGroup(PyObject* module)
{
    ValueClass<LayerGroup, LayerGroupWrapper> type(module);
    type.constructor(init<const LayerGroup&>("LayerGroup"));
    type.method("find_layers", &LayerGroup::find_layers, "name");
    type.method("insert_child", &LayerGroup::insert_child, "layer", arg("index") = 0u);
    type.method("isNull", &LayerGroup::isNull);
    type.method("parameter", &LayerGroup::parameter, "name_components");
    type.method("parameter_set", &LayerGroup::parameter_set, arg("name_components") = QStringList());
    type.property("name", &LayerGroup::get_name, &LayerGroup::set_name);
    type.property("layers", &LayerGroup::get_layers);
    type.property("visibility", &LayerGroup::get_visibility, &LayerGroup::set_visibility, "visible");
    type.property("matte_color", &LayerGroup::get_matte_color, &LayerGroup::set_matte_color, "color");
    type.property("stroke_color", &LayerGroup::get_stroke_color, &LayerGroup::set_stroke_color, "color");
    type.property("locked", &LayerGroup::get_locked, &LayerGroup::set_locked);
    type.property("z_order", &LayerGroup::get_z_order, &LayerGroup::set_z_order, "val");
    type.truth([](const LayerGroup& group) { return !group.isNull(); });
    // Equality only: every other comparison raises, and the groups are unhashable.
    type.compare<Equal>();
    type.introduce();
}
