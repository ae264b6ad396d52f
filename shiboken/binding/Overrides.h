#pragma once

// Routing of virtual calls from the application core to Python overrides.
//
// A wrapper class overrides each virtual operation that Python may override
// with one line:
//
//     bool event(QEvent* e) override
//     {
//         static PyObject* cache[2] = {};
//         return Binding::routeToPython<bool>(this, cache, "ProgressWatcher", "event", false,
//                                              [&] { return QObject::event(e); }, e);
//     }
//
// Pure operations pass Binding::pure instead of a fallback.

#include "Conversions.h"

#include <bindingmanager.h>
#include <gilstate.h>

#include <optional>
#include <string>
#include <type_traits>

namespace Binding {

// Marks an operation without implementation of its own.
struct PureVirtual
{
};
inline constexpr PureVirtual pure{};

namespace detail {

// An argument for a Python override: pointers are wrapped without copying
// (and may be invalidated after the call), values are copied.
template <typename A>
PyObject* overrideArgument(const A& argument, bool& wrappedPointer)
{
    using T = std::decay_t<A>;
    if constexpr (std::is_pointer<T>::value) {
        using U = std::remove_const_t<std::remove_pointer_t<T>>;
        wrappedPointer = true;
        return Shiboken::Conversions::pointerToPython(pointerType<U>(), argument);
    } else {
        wrappedPointer = false;
        return toPython(argument);
    }
}

void reportInvalidReturn(const char* className, const char* methodName, const char* expected, PyObject* result);
void raisePureVirtual(const char* className, const char* methodName);

template <typename R>
struct ReturnName
{
    static const char* value() { return ConverterName<R>::value; }
};
template <>
struct ReturnName<bool>
{
    static const char* value() { return "bool"; }
};
template <>
struct ReturnName<int>
{
    static const char* value() { return "int"; }
};
template <>
struct ReturnName<unsigned int>
{
    static const char* value() { return "unsigned int"; }
};
template <>
struct ReturnName<float>
{
    static const char* value() { return "float"; }
};
template <>
struct ReturnName<double>
{
    static const char* value() { return "double"; }
};

} // namespace detail

// Calls the Python override of a virtual operation of the native object at
// `self`, or its fallback. The interpreter lock is held for the Python part
// only; no Python error stays pending when control returns to the caller.
template <typename R, typename Fallback, typename... A>
R routeToPython(const void* self, PyObject** nameCache, const char* className, const char* methodName,
                std::conditional_t<std::is_void<R>::value, int, R> defaultResult, Fallback&& fallback,
                const A&... arguments)
{
    constexpr bool isPure = std::is_same<std::decay_t<Fallback>, PureVirtual>::value;
    auto fallbackResult = [&]() -> R {
        if constexpr (!std::is_void<R>::value)
            return defaultResult;
    };

    Shiboken::GilState lock;
    if (PyErr_Occurred())
        return fallbackResult();
    Shiboken::AutoDecRef override(
        Shiboken::BindingManager::instance().getOverride(self, nameCache, methodName));
    if (override.isNull()) {
        if constexpr (isPure) {
            detail::raisePureVirtual(className, methodName);
            PyErr_Print(); // reported, not left pending for the native caller
            return fallbackResult();
        } else {
            lock.release();
            return fallback();
        }
    }

    bool wrapped[sizeof...(A) + 1] = {};
    std::size_t index = 0;
    Shiboken::AutoDecRef args(PyTuple_New(Py_ssize_t(sizeof...(A))));
    ((PyTuple_SET_ITEM(args.object(), Py_ssize_t(index),
                       detail::overrideArgument(arguments, wrapped[index])),
      ++index),
     ...);
    Shiboken::AutoDecRef result(PyObject_Call(override, args, nullptr));
    if (result.isNull()) {
        PyErr_Print();
        return fallbackResult();
    }
    // Pointers wrapped only for this call belong to the caller: Python must
    // not keep using them.
    for (std::size_t i = 0; i < sizeof...(A); ++i) {
        PyObject* item = PyTuple_GET_ITEM(args.object(), Py_ssize_t(i));
        if (wrapped[i] && Py_REFCNT(item) == 1)
            Shiboken::Object::invalidate(item);
    }
    if constexpr (std::is_void<R>::value) {
        return;
    } else {
        PythonToCppFunc toCpp = Arg<R>::check(result);
        if (!toCpp) {
            detail::reportInvalidReturn(className, methodName, detail::ReturnName<R>::value(), result);
            return defaultResult;
        }
        Arg<R> converted;
        converted.convert(toCpp, result);
        if (PyErr_Occurred()) {
            PyErr_Print();
            return defaultResult;
        }
        return converted.get();
    }
}

} // namespace Binding
