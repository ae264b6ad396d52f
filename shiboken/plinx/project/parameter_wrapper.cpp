// plinx.project.Parameter: a script's handle on one keyframed parameter,
// named by its path below a root parameter set.

#include "plinx_project_python.h"

#include <climits>

using namespace Binding;

namespace {

// Python subclasses may decide what counts as null, and with it the truth value.
class ParameterWrapper : public Wrapper<Parameter>
{
public:
    using Wrapper::Wrapper;
    bool isNull() const override { return route("isNull", false, [&] { return Parameter::isNull(); }); }
};

View viewZero()
{
    return View(0);
}

} // namespace

void init_Parameter(PyObject* module)
{
    ValueClass<Parameter, ParameterWrapper> type(module);
    type.constructor(init<const Parameter&>("Parameter", wrongCountIsWrongArguments));
    type.method("delete_keyframe", &Parameter::delete_keyframe, "time", "view", wrongCountIsWrongArguments);
    type.method("get", &Parameter::get, arg("time", "double( UINT_MAX )") = double(UINT_MAX),
                arg("view", "View( 0 )") = &viewZero);
    type.method("isNull", &Parameter::isNull);
    type.method("set", &Parameter::set, "val", arg("time", "double( UINT_MAX )") = double(UINT_MAX),
                arg("view", "View( 0 )") = &viewZero);
    type.property("name_components", &Parameter::get_name_components);
    type.property("keyframes", &Parameter::get_keyframes);
    type.truth([](const Parameter& parameter) { return !parameter.isNull(); });
    type.hash();
    type.compare<Equal | NotEqual>();
    type.introduce();
}
