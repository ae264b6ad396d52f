#include "Overrides.h"

#include "Functions.h"

#include "Python/InterpreterEnd.h"
#include "Python/PyHelpers.h"

#include <helper.h>

#include <algorithm>
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
        reportPythonError();
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

PyObject* holdPythonObject(const void* cppObject, bool& bound)
{
    PyObject* wrapper = reinterpret_cast<PyObject*>(wrapperOf(cppObject));
    bound = wrapper != nullptr;
    return bound && Py_REFCNT(wrapper) > 0 ? Py_NewRef(wrapper) : nullptr;
}

PyObject* findOverride(const void* cppObject, const char* name)
{
    // The runtime keeps the Python form of each name in a cache of its
    // caller: two slots, kept in the map's own nodes, which never move. The
    // names are the routing sites' literals: known by their address (one
    // text at two addresses has two caches, both right).
    static std::unordered_map<const char*, std::array<PyObject*, 2>> nameCaches;
    PyObject** cache = nameCaches[name].data();
    PyObject* found = Shiboken::BindingManager::instance().getOverride(cppObject, cache, name);
    if (!found && PyErr_Occurred())
        reportPythonError();
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
    return wrapperOf(pointer) == nullptr;
}

namespace {
void invalidateArgument(PyObject* wrapper)
{
    // Not twice: Python may have had the runtime delete it already (refused
    // for a lent object, which leaves it invalid).
    if (wrapper && Shiboken::Object::checkType(wrapper) && Shiboken::Object::isValid(wrapper, false))
        Shiboken::Object::invalidate(wrapper);
}
} // namespace

void releaseArguments(Shiboken::AutoDecRef& arguments, const bool* isNew, std::size_t count)
{
    if (PyObject* tuple = arguments.object()) {
        const bool tupleKept = Py_REFCNT(tuple) > 1;
        for (std::size_t i = 0; i < count; ++i) {
            PyObject* wrapper = PyTuple_GET_ITEM(tuple, Py_ssize_t(i));
            if (isNew[i] && (tupleKept || Py_REFCNT(wrapper) > 1))
                invalidateArgument(wrapper);
        }
    }
    // Before anything else runs Python: no one finds a wrapper of the
    // caller's objects from here on.
    arguments.reset(nullptr);
}

PyObject* argumentTuple(PyObject* const* converted, std::size_t count)
{
    PyObject* tuple = nullptr;
    if (std::all_of(converted, converted + count, [](PyObject* item) { return item != nullptr; }))
        tuple = PyTuple_New(Py_ssize_t(count));
    for (std::size_t i = 0; i < count; ++i) {
        if (tuple)
            PyTuple_SET_ITEM(tuple, Py_ssize_t(i), converted[i]);
        else
            Py_XDECREF(converted[i]);
    }
    if (!tuple && !PyErr_Occurred())
        PyErr_SetString(PyExc_SystemError, "an argument of an override could not be converted");
    return tuple;
}

} // namespace detail

namespace {

// Shows an error the way the interpreter shows one it does not handle,
// without ever ending the process.
void displayError(PyObject* type, PyObject* value, PyObject* traceback)
{
    PyErr_Display(type, value, traceback);
    PyErr_Clear();
}

} // namespace

void reportPythonError()
{
    if (!PyErr_Occurred() || PyHelpers::putOffInterrupt())
        return;
    if (!PyErr_ExceptionMatches(PyExc_Warning))
        detail::noteRoutingFailure(pendingErrorLine());
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (value && traceback)
        PyException_SetTraceback(value, traceback);
    PyObject* hook = PySys_GetObject("excepthook"); // borrowed
    PyObject* defaultHook = PySys_GetObject("__excepthook__");
    const bool exiting = PyErr_GivenExceptionMatches(type, PyExc_SystemExit);
    if (exiting || !hook || hook == Py_None || hook == defaultHook) {
        displayError(type, value, traceback);
    } else {
        // The script's own hook; should it fail (or try to exit), both show.
        PyObject* shown = PyObject_CallFunctionObjArgs(hook, type, value ? value : Py_None,
                                                       traceback ? traceback : Py_None, nullptr);
        if (shown) {
            Py_DECREF(shown);
        } else {
            PyObject *hookType = nullptr, *hookValue = nullptr, *hookTraceback = nullptr;
            PyErr_Fetch(&hookType, &hookValue, &hookTraceback);
            PyErr_NormalizeException(&hookType, &hookValue, &hookTraceback);
            PySys_WriteStderr("Error in sys.excepthook:\n");
            displayError(hookType, hookValue, hookTraceback);
            PySys_WriteStderr("\nOriginal exception was:\n");
            displayError(type, value, traceback);
            Py_XDECREF(hookType);
            Py_XDECREF(hookValue);
            Py_XDECREF(hookTraceback);
        }
    }
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    PyErr_Clear();
}

PyObject* callForCore(PyObject* callable, PyObject* args)
{
    // Python runs from here on: the core is lent to other threads, which
    // it may wait for.
    const PyHelpers::CoreUnlocked lent;
    PyHelpers::takeSignalsBeforePython();
    PyObject* result =
        args && callable ? PyHelpers::parkedIfEnded([&] { return PyObject_Call(callable, args, nullptr); }) : nullptr;
    if (result && PyErr_Occurred()) {
        Py_DECREF(result);
        result = nullptr;
    }
    if (!result) {
        if (!PyErr_Occurred())
            PyErr_SetString(PyExc_SystemError, "a call from the core into Python could not be made");
        reportPythonError();
    }
    return result;
}

} // namespace Binding
