// plinx.project.View: a view identifier, made from a number or copied.

#include "plinx_project_python.h"

using namespace Binding;
using ViewWrapper = Binding::Wrapper<View>;

namespace {

const Scope view(Sbkplinx_project_details::module, "View");

// A number is tried before another View.
const auto constructor = view.constructor(
    init<ViewWrapper>(),
    init<ViewWrapper, int>("id"),
    init<ViewWrapper, const View&>("View"));

const auto get_id = view.method("get_id", overload(&View::get_id));

PyMethodDef methods[] = {
    def<get_id>(),
    copyDef<View>(),
    {nullptr, nullptr, 0, nullptr},
};

const char* signatures[] = {
    "2:plinx.project.View()",
    "1:plinx.project.View(View:plinx.project.View)",
    "0:plinx.project.View(id:int)",
    "plinx.project.View.__repr__()->QString",
    "plinx.project.View.__str__()->QString",
    "plinx.project.View.get_id()->unsigned int",
    "plinx.project.View.__copy__()",
    nullptr,
};

constexpr auto viewText = +[](const View& v) { return v.getView().toString(); };

// Every Python int (bool included) names a view.
void viewFromInt(PyObject* in, void* out)
{
    int id = 0;
    Shiboken::Conversions::pythonToCppCopy(Shiboken::Conversions::PrimitiveTypeConverter<int>(), in, &id);
    *static_cast<View*>(out) = View(id);
}

PythonToCppFunc isViewFromInt(PyObject* in)
{
    return PyLong_Check(in) ? &viewFromInt : nullptr;
}

} // namespace

void init_View(PyObject* module)
{
    ValueClass<View, ViewWrapper>(Sbkplinx_project_details::module, SBK_VIEW_IDX, "View")
        .constructor<constructor>()
        .methods(methods)
        .signatures(signatures)
        .repr<&View::__repr__>()
        .str<viewText>()
        .hash()
        .compare<Equal | Less>()
        .implicitConversion(&isViewFromInt, &viewFromInt)
        .properties({{"id", ReadOnly}})
        .introduce(module);
}
