// plinx.project.XControlPoint: a script's handle on one control point of
// an X-spline contour.

#include "master_points.h"

using namespace Binding;

void init_XControlPoint(PyObject* module)
{
    ValueClass<XControlPoint> type(module);
    type.constructor(init<const XControlPoint&>("XControlPoint"));
    type.method("get_point_data", &XControlPoint::get_point_data, "time", arg("view", "View()") = [] { return View(); });
    type.method("parameter", &XControlPoint::parameter, "name_components");
    type.method("parameter_set", &XControlPoint::parameter_set, arg("name_components") = QStringList());
    type.method("remove", &XControlPoint::remove);
    type.method(
        "set_master_point",
        [](const XControlPoint& point, PyObject* master, float time, View view) {
            return setMasterPoint(point, master, time, view, false, "xcontrolpoint_wrapper", 600);
        },
        "arg__1", arg("time") = 0.0f, arg("view", "View(0)") = [] { return View(0); });
    type.method("set_point_data", &XControlPoint::set_point_data, "time", "xcpd",
                arg("view", "View()") = [] { return View(); });
    type.method("update_point_data", &XControlPoint::update_point_data, "time", "xcpd",
                arg("view", "View()") = [] { return View(); });
    type.property("master_point", named("get_master_point", [](const XControlPoint& point) { return masterPointOf(point); }));
    type.truth([](const XControlPoint& point) { return !point.isNull(); });
    type.compare<Equal>();
    type.introduce();
}
