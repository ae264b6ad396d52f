// plinx.project.BezierControlPointData: the editable fields of a Bezier
// control point, each of which may be None; the handle offsets are
// tuples (x, y) relative to the point.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

const auto absentBool = [] { return boost::optional<bool>(); };
const auto absentFloat = [] { return boost::optional<float>(); };
const auto absentPoint = [] { return boost::optional<QPointF>(); };

} // namespace

void init_BezierControlPointData(PyObject* module)
{
    ValueClass<BezierControlPointData> type(module);
    type.defaultLock(keepLock);
    type.constructor(
        init<const BezierControlPointData&>("BezierControlPointData", signatureLine(0)),
        init<boost::optional<bool>, boost::optional<bool>, boost::optional<float>, boost::optional<float>,
             boost::optional<float>, boost::optional<float>, boost::optional<QPointF>, boost::optional<QPointF>>(
            arg("active", "OptionalBool()") = absentBool, arg("corner", "OptionalBool()") = absentBool,
            arg("x", "OptionalFloat()") = absentFloat, arg("y", "OptionalFloat()") = absentFloat,
            arg("edge_width", "OptionalFloat()") = absentFloat, arg("edge_angle_ratio", "OptionalFloat()") = absentFloat,
            arg("handle_offset_backward", "OptionalPoint()") = absentPoint,
            arg("handle_offset_forward", "OptionalPoint()") = absentPoint, signatureLine(1)));
    type.property("active", &BezierControlPointData::get_active, &BezierControlPointData::set_active);
    type.property("corner", &BezierControlPointData::get_corner, &BezierControlPointData::set_corner);
    type.property("x", &BezierControlPointData::get_x, &BezierControlPointData::set_x);
    type.property("y", &BezierControlPointData::get_y, &BezierControlPointData::set_y);
    type.property("edge_width", &BezierControlPointData::get_edge_width, &BezierControlPointData::set_edge_width);
    type.property("edge_angle_ratio", &BezierControlPointData::get_edge_angle_ratio,
                  &BezierControlPointData::set_edge_angle_ratio);
    type.property("handle_offset_backward", &BezierControlPointData::get_handle_offset_backward,
                  &BezierControlPointData::set_handle_offset_backward);
    type.property("handle_offset_forward", &BezierControlPointData::get_handle_offset_forward,
                  &BezierControlPointData::set_handle_offset_forward);
    type.compare<Equal>();
    type.introduce();
}
