// plinx.project.BezierContour: a script's handle on one Bezier contour.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

// A Python subclass may say itself whether it is null.
class BezierContourWrapper : public Wrapper<BezierContour>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return BezierContour::isNull(); }); }
};

} // namespace

void init_BezierContour(PyObject* module)
{
    ValueClass<BezierContour, BezierContourWrapper> type(module);
    type.constructor(init<const BezierContour&>("BezierContour"));
    type.method("control_point", &BezierContour::control_point, "index", noneWhenNull);
    type.method("get_bounding_rect", &BezierContour::get_bounding_rect, arg("time") = 0.0f,
                arg("view", "View( 0 )") = [] { return View(0); });
    type.method("insert_point", &BezierContour::insert_point, "time", "bcpd", arg("index", "UINT_MAX") = UINT_MAX,
                arg("view", "View()") = [] { return View(); });
    type.method("isNull", &BezierContour::isNull);
    type.method("parameter", &BezierContour::parameter, "name_components");
    type.method("parameter_set", &BezierContour::parameter_set, arg("name_components") = QStringList());
    type.method("remove", &BezierContour::remove);
    type.property("control_points", &BezierContour::get_control_points);
    type.truth([](const BezierContour& contour) { return !contour.isNull(); });
    type.hash();
    type.compare<Equal>();
    type.introduce();
}
