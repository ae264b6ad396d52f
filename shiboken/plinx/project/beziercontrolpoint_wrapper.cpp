// plinx.project.BezierControlPoint: a script's handle on one control point
// of a Bezier contour.

#include "master_points.h"

using namespace Binding;

void init_BezierControlPoint(PyObject* module)
{
    ValueClass<BezierControlPoint> type(module);
    type.constructor(init<const BezierControlPoint&>("BezierControlPoint"));
    type.method("get_point_data", &BezierControlPoint::get_point_data, "time",
                arg("view", "View()") = [] { return View(); });
    type.method("parameter", &BezierControlPoint::parameter, "name_components");
    type.method("parameter_set", &BezierControlPoint::parameter_set, arg("name_components") = QStringList());
    type.method("remove", &BezierControlPoint::remove);
    type.method(
        "set_master_point",
        [](const BezierControlPoint& point, PyObject* master, float time, View view, bool lockTangents) {
            return setMasterPoint(point, master, time, view, lockTangents, "beziercontrolpoint_wrapper", 616);
        },
        "arg__1", arg("time") = 0.0f, arg("view", "View(0)") = [] { return View(0); }, arg("lock_tangents") = false);
    type.method("set_point_data", &BezierControlPoint::set_point_data, "time", "bcpd",
                arg("view", "View()") = [] { return View(); });
    type.method("update_point_data", &BezierControlPoint::update_point_data, "time", "bcpd",
                arg("view", "View()") = [] { return View(); });
    type.property("master_point",
                  named("get_master_point", [](const BezierControlPoint& point) { return masterPointOf(point); }));
    type.truth([](const BezierControlPoint& point) { return !point.isNull(); });
    type.compare<Equal>();
    type.introduce();
}
