// plinx.project.Layer: a script's handle on one layer of a project.

#include "plinx_project_python.h"

#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Layers/VUVI_Layer.h>

using namespace Binding;

namespace {

// A Python subclass may say itself whether it is null.
class LayerWrapper : public Wrapper<Layer>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return Layer::isNull(); }); }
};

// The group the layer is in; a null group (None) at the top level.
LayerGroup parentGroupOf(const Layer& layer)
{
    const boost::shared_ptr<Rirediro::LayerGroup> parent = layer.handledObject()->parentGroup();
    if (!parent || dynamic_cast<const Rirediro::LayerRoot*>(parent.get()))
        return LayerGroup();
    return LayerGroup(parent->selfReference(), layer.projectManager());
}

} // namespace

void init_Layer(PyObject* module)
{
    ValueClass<Layer, LayerWrapper> type(module);
    type.constructor(init<const Layer&>("Layer"));
    type.method("get_surface_position", &Layer::get_surface_position, "point_index", "time",
                arg("view", "View( 0 )") = [] { return View(0); });
    type.method("get_transform_matrix", &Layer::get_transform_matrix, "time",
                arg("view", "View()") = [] { return View(); });
    type.method("in_point", &Layer::in_point, arg("view", "View( 0 )") = [] { return View(0); });
    type.method("isNull", &Layer::isNull);
    type.method("out_point", &Layer::out_point, arg("view", "View( 0 )") = [] { return View(0); });
    type.method("parameter", &Layer::parameter, "name_components");
    type.method("parameter_set", &Layer::parameter_set, arg("name_components") = QStringList());
    type.method("remove", &Layer::remove);
    type.method("set_parent", &Layer::set_parent, "group", arg("index") = 0u);
    type.method("tracking_input_clip", &Layer::tracking_input_clip, arg("use_linked_layer") = false);
    type.property("name", &Layer::get_name, &Layer::set_name);
    type.property("parent", named("get_parent_group", &parentGroupOf),
                  named("set_parent_group", [](Layer& layer, LayerGroup* group) { layer.set_parent(group, 0); }),
                  "arg__1", noneWhenNull);
    type.property("visibility", &Layer::get_visibility, &Layer::set_visibility, "visible");
    type.property("matte_color", &Layer::get_matte_color, &Layer::set_matte_color, "color");
    type.property("stroke_color", &Layer::get_stroke_color, &Layer::set_stroke_color, "color");
    type.property("locked", &Layer::get_locked, &Layer::set_locked);
    type.property("link_to_track", &Layer::get_link_to_track, &Layer::set_link_to_track, "layer");
    type.property("z_order", &Layer::get_z_order, &Layer::set_z_order, "val");
    type.property("selected", &Layer::get_selected, &Layer::set_selected);
    type.truth([](const Layer& layer) { return !layer.isNull(); });
    type.hash();
    type.compare<Equal | NotEqual>();
    type.introduce();
}
