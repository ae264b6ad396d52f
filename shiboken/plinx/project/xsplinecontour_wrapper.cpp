// plinx.project.XSplineContour: a script's handle on one X-spline contour.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

// A Python subclass may say itself whether it is null.
class XSplineContourWrapper : public Wrapper<XSplineContour>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return XSplineContour::isNull(); }); }
};

} // namespace

void init_XSplineContour(PyObject* module)
{
    ValueClass<XSplineContour, XSplineContourWrapper> type(module);
    type.constructor(init<const XSplineContour&>("XSplineContour"));
    type.method("control_point", &XSplineContour::control_point, "index", noneWhenNull);
    type.method("get_bounding_rect", &XSplineContour::get_bounding_rect, arg("time") = 0.0f,
                arg("view", "View( 0 )") = [] { return View(0); });
    type.method("insert_point", &XSplineContour::insert_point, "time", "xcpd", "index",
                arg("view", "View()") = [] { return View(); });
    type.method("isNull", &XSplineContour::isNull);
    type.method("parameter", &XSplineContour::parameter, "name_components");
    type.method("parameter_set", &XSplineContour::parameter_set, arg("name_components") = QStringList());
    type.method("remove", &XSplineContour::remove);
    type.property("control_points", &XSplineContour::get_control_points);
    type.truth([](const XSplineContour& contour) { return !contour.isNull(); });
    type.hash();
    type.compare<Equal>();
    type.introduce();
}
