#include "Overrides.h"

#include <helper.h>

#include <string>

namespace Binding {
namespace detail {

void reportInvalidReturn(const char* className, const char* methodName, const char* expected, PyObject* result)
{
    const std::string qualified = std::string(className) + "." + methodName;
    Shiboken::warning(PyExc_RuntimeWarning, 2, "Invalid return value in function %s, expected %s, got %s.",
                      qualified.c_str(), expected, Py_TYPE(result)->tp_name);
    // Warnings turned into errors must not stay pending for the native caller.
    if (PyErr_Occurred())
        PyErr_Print();
}

void raisePureVirtual(const char* className, const char* methodName)
{
    PyErr_Format(PyExc_NotImplementedError, "pure virtual method '%s.%s()' not implemented.", className, methodName);
}

} // namespace detail
} // namespace Binding
