// plinx.project.View: a view identifier, made from a number or copied.

#include "plinx_project_python.h"

using namespace Binding;

namespace {

// Every Python int (bool included) names a view.
void viewFromInt(PyObject* in, void* out)
{
    int id = 0;
    Conversion<int>::toCpp(in, &id);
    *static_cast<View*>(out) = View(id);
}

PythonToCppFunc isViewFromInt(PyObject* in)
{
    return PyLong_Check(in) ? &viewFromInt : nullptr;
}

} // namespace

void init_View(PyObject* module)
{
    ValueClass<View> type(module);
    type.defaultLock(keepLock);
    // A number is tried before another View.
    type.constructor(init<>(signatureLine(2)), init<int>("id", signatureLine(0)),
                     init<const View&>("View", signatureLine(1)));
    type.property("id", &View::get_id);
    type.repr(&View::__repr__);
    type.str([](const View& v) { return v.getView().toString(); });
    type.hash();
    type.compare<Equal | Less>();
    type.implicitConversion(&isViewFromInt, &viewFromInt);
    type.introduce();
}
