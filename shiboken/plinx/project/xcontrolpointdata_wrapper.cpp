// plinx.project.XControlPointData: the editable fields of an X-spline
// control point, each of which may be None.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

const auto absentBool = [] { return boost::optional<bool>(); };
const auto absentFloat = [] { return boost::optional<float>(); };

} // namespace

void init_XControlPointData(PyObject* module)
{
    ValueClass<XControlPointData> type(module);
    type.defaultLock(keepLock);
    // One XControlPointData argument copies; anything else fills the fields.
    type.constructor(
        init<const XControlPointData&>("XControlPointData", signatureLine(0)),
        init<boost::optional<bool>, boost::optional<bool>, boost::optional<float>, boost::optional<float>,
             boost::optional<float>, boost::optional<float>, boost::optional<float>>(
            arg("active", "OptionalBool()") = absentBool, arg("corner", "OptionalBool()") = absentBool,
            arg("x", "OptionalFloat()") = absentFloat, arg("y", "OptionalFloat()") = absentFloat,
            arg("weight", "OptionalFloat()") = absentFloat, arg("edge_width", "OptionalFloat()") = absentFloat,
            arg("edge_angle_ratio", "OptionalFloat()") = absentFloat, signatureLine(1)));
    type.property("active", &XControlPointData::get_active, &XControlPointData::set_active);
    type.property("corner", &XControlPointData::get_corner, &XControlPointData::set_corner);
    type.property("x", &XControlPointData::get_x, &XControlPointData::set_x);
    type.property("y", &XControlPointData::get_y, &XControlPointData::set_y);
    type.property("weight", &XControlPointData::get_weight, &XControlPointData::set_weight);
    type.property("edge_width", &XControlPointData::get_edge_width, &XControlPointData::set_edge_width);
    type.property("edge_angle_ratio", &XControlPointData::get_edge_angle_ratio,
                  &XControlPointData::set_edge_angle_ratio);
    type.compare<Equal>();
    type.introduce();
}
