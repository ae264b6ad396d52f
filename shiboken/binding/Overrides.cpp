#include "Overrides.h"

#include "Functions.h"

#include <helper.h>

#include <array>
#include <string>
#include <unordered_map>

namespace Binding {

namespace {
// This thread's routing failure; while one is noted, the thread counts among
// those with a failure.
struct RoutingFailure
{
    std::string text;
    bool noted = false;

    ~RoutingFailure()
    {
        if (noted)
            detail::threadsWithRoutingFailure.fetch_sub(1, std::memory_order_relaxed);
    }
};
thread_local RoutingFailure t_routingFailure;

// "ValueError: disk full": the pending error's class and text, left pending.
std::string pendingErrorLine()
{
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    std::string line = type ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "Error";
    if (value) {
        PyObject* text = PyObject_Str(value);
        const char* utf8 = text ? PyUnicode_AsUTF8(text) : nullptr;
        if (utf8 && *utf8)
            line += std::string(": ") + utf8;
        Py_XDECREF(text);
    }
    PyErr_Clear(); // of a failed str(); the original error comes back below
    PyErr_Restore(type, value, traceback);
    return line;
}
} // namespace

std::string lastRoutingFailure()
{
    return t_routingFailure.text;
}

namespace detail {

std::atomic<int> threadsWithRoutingFailure{0};

void clearRoutingFailure()
{
    RoutingFailure& failure = t_routingFailure;
    if (failure.noted) {
        failure.noted = false;
        failure.text.clear();
        threadsWithRoutingFailure.fetch_sub(1, std::memory_order_relaxed);
    }
}

void noteRoutingFailure(const std::string& text)
{
    RoutingFailure& failure = t_routingFailure;
    failure.text = text;
    if (!failure.noted) {
        failure.noted = true;
        threadsWithRoutingFailure.fetch_add(1, std::memory_order_relaxed);
    }
}

void reportInvalidReturn(const char* className, const char* methodName, const std::string& expected,
                         PyObject* result)
{
    const std::string qualified = std::string(className) + "." + methodName;
    noteRoutingFailure("Invalid return value in function " + qualified + ", expected " + expected + ", got "
                       + Py_TYPE(result)->tp_name + ".");
    Shiboken::warning(PyExc_RuntimeWarning, 2, "Invalid return value in function %s, expected %s, got %s.",
                      qualified.c_str(), expected.c_str(), Py_TYPE(result)->tp_name);
    // Warnings turned into errors must not stay pending for the native caller.
    if (PyErr_Occurred())
        printError();
}

void printError()
{
    if (PyErr_Occurred() && !PyErr_ExceptionMatches(PyExc_Warning))
        noteRoutingFailure(pendingErrorLine());
    if (!PyErr_ExceptionMatches(PyExc_SystemExit)) {
        PyErr_Print();
        return;
    }
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    PyErr_Display(type, value, traceback);
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
}

std::string wrappedTypeName(PyTypeObject* type)
{
    return type && Shiboken::ObjectType::checkType(type) ? std::string(type->tp_name) : std::string();
}

void raisePureVirtual(const char* className, const char* methodName)
{
    PyErr_Format(PyExc_NotImplementedError, "pure virtual method '%s.%s()' not implemented.", className, methodName);
}

bool pythonIsRunning()
{
    return Py_IsInitialized() && !_Py_IsFinalizing();
}

PyObject* findOverride(const void* cppObject, const char* name, bool& bound)
{
    bound = Shiboken::BindingManager::instance().retrieveWrapper(cppObject) != nullptr;
    if (!bound)
        return nullptr;
    // The runtime keeps the Python form of each name in a cache of its
    // caller: two slots, kept in the map's own nodes, which never move.
    static std::unordered_map<std::string, std::array<PyObject*, 2>> nameCaches;
    PyObject** cache = nameCaches[name].data();
    PyObject* found = Shiboken::BindingManager::instance().getOverride(cppObject, cache, name);
    if (!found && PyErr_Occurred())
        printError();
    return found;
}

bool takeBaseCall(const void* cppObject, const char* name)
{
    BaseCall& pending = pendingBaseCall();
    if (pending.object != cppObject || !pending.name || std::strcmp(pending.name, name) != 0)
        return false;
    pending = BaseCall{};
    return true;
}

bool wrappedPointerIsNew(const void* pointer)
{
    return !Shiboken::BindingManager::instance().hasWrapper(pointer);
}

void invalidateArgument(PyObject* wrapper)
{
    if (wrapper && Shiboken::Object::checkType(wrapper))
        Shiboken::Object::invalidate(wrapper);
}

} // namespace detail
} // namespace Binding
