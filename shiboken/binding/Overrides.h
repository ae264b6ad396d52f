#pragma once

// Wrapper classes: the classes that Python constructs and that value results
// are copied into. Their destructor invalidates the Python object, and each
// virtual operation that Python may override is one line:
//
//     class LayerWrapper : public Binding::Wrapper<Layer>
//     {
//     public:
//         using Wrapper::Wrapper;
//         bool isNull() const override { return route("isNull", false, [&] { return Layer::isNull(); }); }
//     };
//
// A pure operation passes `pure` instead of the fallback:
//
//     QString error_string() const override { return route("error_string", QString(), pure); }
//
// The routing holds the interpreter lock (and a reference to the Python
// object) for the whole Python call, lends the core to other threads while
// the override runs, prints what the override raises, and remembers per
// object when a name has no override, so that the next call goes straight to
// the fallback without touching Python (MissingOverrides).

#include "Conversions.h"
#include "Lifetimes.h"

#include <bindingmanager.h>
#include <autodecref.h>
#include <gilstate.h>

#include <QHash>
#include <QMap>
#include <QVector>

#include <atomic>
#include <cstdint>
#include <string>
#include <type_traits>

namespace Binding {

// Marks an operation without implementation of its own.
struct PureVirtual
{
};
inline constexpr PureVirtual pure{};

// Wherever the core calls Python, these run it, with the interpreter lock held:
// an error the call raises (SystemExit and KeyboardInterrupt included) is
// printed and cleared, and the caller falls back to its default. A script
// never ends the application through a callback.
//
// Calls `callable` with the tuple `args` (null when making it failed, its
// error pending): a new reference to the result, or null once the error is
// reported.
PyObject* callForCore(PyObject* callable, PyObject* args);
// Reports the pending Python error and clears it: through sys.excepthook,
// except a SystemExit, which is printed, never obeyed.
void reportPythonError();

// Why the last routed call of this thread fell back to its default result:
// the override raised ("ValueError: disk full"), was missing, returned a
// value of the wrong type, or a Python error was pending. Empty when it ran
// to its end (or had no override and ran the class's own implementation).
std::string lastRoutingFailure();

namespace detail {

void clearRoutingFailure();
void noteRoutingFailure(const std::string& text);
// The threads that have a routing failure noted. While there are none, which
// is most of the time, a routed call has nothing to clear and reads no
// thread-local storage; each thread sees its own notes in this count.
extern std::atomic<int> threadsWithRoutingFailure;
inline void clearAnyRoutingFailure()
{
    if (threadsWithRoutingFailure.load(std::memory_order_relaxed) != 0)
        clearRoutingFailure();
}
void reportInvalidReturn(const char* className, const char* methodName, const std::string& expected,
                         PyObject* result);
void raisePureVirtual(const char* className, const char* methodName);
// The Python override of `name` on the object bound to `cppObject`; null
// without one.
PyObject* findOverride(const void* cppObject, const char* name);
// A new reference to the Python object of the object at `cppObject`, for
// the length of a routed call; null without one, or when it is being
// deallocated (it has no overrides any more). `bound` tells whether the
// object has a Python object at all.
PyObject* holdPythonObject(const void* cppObject, bool& bound);
// True (and consumed) when Python asked for the class's own implementation
// of this name on this object.
bool takeBaseCall(const void* cppObject, const char* name);
bool pythonIsRunning();
// Whether an argument's class invalidates its Python object by itself when
// it dies (wrapper classes, the clean-up base).
bool wrappedPointerIsNew(const void* pointer);

// The name of the Python type of wrapped Qt classes ("PySide2.QtCore.QSize");
// empty for other types.
std::string wrappedTypeName(PyTypeObject* type);

// The expected type that the invalid-return warning names: "map" and
// "vector" for maps and vectors, the full Python name of a Qt class
// ("PySide2.QtCore.QSize") or of a bound type ("plinx.project.PixelFormat"),
// else the type's name in signature texts ("bool", "QString"). A binding may
// specialise it for a conversion of its own.
template <typename R, typename = void>
struct ReturnName
{
    static std::string value()
    {
        if constexpr (std::is_class<R>::value && !isBound<R>) {
            const std::string wrapped = wrappedTypeName(Conversion<R>::pythonType());
            if (!wrapped.empty())
                return wrapped;
        }
        return TypeText<R>::result();
    }
};
template <typename K, typename V>
struct ReturnName<QMap<K, V>>
{
    static std::string value() { return "map"; }
};
template <typename K, typename V>
struct ReturnName<QHash<K, V>>
{
    static std::string value() { return "map"; }
};
template <typename E>
struct ReturnName<QVector<E>>
{
    static std::string value() { return "vector"; }
};

// An argument for a Python override: pointers are wrapped without copying,
// values are copied. `isNew` tells a pointer wrapped only for this call: it
// is the caller's, lent to Python for the call.
template <typename A>
PyObject* overrideArgument(const A& argument, bool& isNew, Loans& loans)
{
    using T = std::decay_t<A>;
    if constexpr (std::is_pointer<T>::value && !std::is_same<T, PyObject*>::value) {
        using U = std::remove_const_t<std::remove_pointer_t<T>>;
        isNew = argument && wrappedPointerIsNew(argument);
        if (isNew)
            loans.lend(argument);
        PyObject* made = Shiboken::Conversions::pointerToPython(pointerType<U>(), argument);
        if (isNew)
            guardDeletionOf(made);
        return made;
    } else if constexpr (std::is_same<T, PyObject*>::value) {
        isNew = false;
        Py_XINCREF(argument ? argument : Py_None);
        return argument ? argument : Py_None;
    } else {
        isNew = false;
        return toPython(argument);
    }
}

// The tuple of an override's converted arguments, taking them over; null
// with the error pending when one of them failed (the others are released).
PyObject* argumentTuple(PyObject* const* converted, std::size_t count);
// Releases the arguments of an override once it has returned. The pointers
// wrapped only for the call (`isNew`) belong to the caller: whatever Python
// kept of them is invalid from now on; what it did not keep goes with the tuple.
void releaseArguments(Shiboken::AutoDecRef& arguments, const bool* isNew, std::size_t count);

// What routing an operation gives back: its result, or for an operation
// without result whether the override (or the fallback) ran to its end.
template <typename R>
using Routed = std::conditional_t<std::is_void<R>::value, bool, R>;

// Calls the Python override of a virtual operation of the object at `self`,
// or its fallback. `known` holds the object's bits of names known to have no
// override; `bit` is this operation's bit (-1: not remembered).
template <typename R, typename Fallback, typename... A>
[[gnu::noinline]] Routed<R> route(const void* self, std::atomic<std::uint32_t>& known, int bit, const char* className, const char* name,
        std::conditional_t<std::is_void<R>::value, int, R> defaultResult, Fallback&& fallback, const A&... arguments)
{
    constexpr bool isPure = std::is_same<std::decay_t<Fallback>, PureVirtual>::value;
    auto defaultOf = [&]() -> Routed<R> {
        if constexpr (std::is_void<R>::value)
            return false;
        else
            return defaultResult;
    };
    auto fallbackOf = [&]() -> Routed<R> {
        if constexpr (isPure) {
            return defaultOf();
        } else if constexpr (std::is_void<R>::value) {
            fallback();
            return true;
        } else {
            return fallback();
        }
    };

    if (!pythonIsRunning())
        return fallbackOf();

    Shiboken::GilState lock;
    if (takeBaseCall(self, name)) {
        if constexpr (isPure) {
            raisePureVirtual(className, name); // the Python caller sees it
            return defaultOf();
        } else {
            lock.release();
            return fallbackOf();
        }
    }
    if (PyErr_Occurred()) {
        noteRoutingFailure("a Python error was pending");
        return defaultOf();
    }
    // The Python object stays alive while its override is looked up and runs.
    bool bound = false;
    Shiboken::AutoDecRef keepAlive(holdPythonObject(self, bound));
    Shiboken::AutoDecRef override(keepAlive.isNull() ? nullptr : findOverride(self, name));
    if (override.isNull()) {
        if constexpr (isPure) {
            raisePureVirtual(className, name);
            reportPythonError(); // reported, not left pending for the native caller
            return defaultOf();
        } else {
            if (bound && bit >= 0)
                known.fetch_or(1u << bit, std::memory_order_relaxed);
            keepAlive.reset(nullptr); // with the interpreter lock
            lock.release();
            return fallbackOf();
        }
    }

    Loans loans;
    bool isNew[sizeof...(A) + 1] = {};
    PyObject* pythonArguments[sizeof...(A) + 1] = {};
    std::size_t index = 0;
    ((pythonArguments[index] = detail::overrideArgument(arguments, isNew[index], loans), ++index), ...);
    Shiboken::AutoDecRef args(argumentTuple(pythonArguments, sizeof...(A)));
    Shiboken::AutoDecRef result(callForCore(override, args));
    releaseArguments(args, isNew, sizeof...(A));
    if (result.isNull())
        return defaultOf();
    // A failure of a call nested in the override is not this call's.
    clearAnyRoutingFailure();
    if constexpr (std::is_void<R>::value) {
        return true;
    } else {
        PythonToCppFunc toCpp = Arg<R>::check(result);
        if (!toCpp) {
            reportInvalidReturn(className, name, ReturnName<R>::value(), result);
            return defaultResult;
        }
        Arg<R> converted;
        if (!converted.convert(toCpp, result) || PyErr_Occurred()) {
            reportPythonError();
            return defaultResult;
        }
        return converted.get();
    }
}

} // namespace detail

// Name of a bound class for texts such as "Layer.isNull".
template <typename T>
const char* boundName()
{
    if constexpr (isBound<T>)
        return Bound<T>::name ? Bound<T>::name : "?";
    else
        return "?";
}

// The virtual operations of one object that were found without Python
// override, as PySide2 keeps them: one bit per routing site, so that later
// calls go straight to the class's own implementation. Assigning a callable
// to an attribute of the Python object forgets them (the type's attribute
// slot): an override set on the object afterwards is seen. One added to its
// class after the object's first call of the operation is not, as in PySide2.
class MissingOverrides
{
public:
    void forgetMissingOverrides() { m_missingOverrides.store(0, std::memory_order_relaxed); }

protected:
    bool isMissingOverride(int bit) const
    {
        return bit >= 0 && (m_missingOverrides.load(std::memory_order_relaxed) & (1u << bit));
    }

    mutable std::atomic<std::uint32_t> m_missingOverrides{0};
};

// The wrapper class of a bound class T. Python objects of T own instances of
// it (or of a class derived from it that routes more virtual operations).
template <typename T>
class Wrapper : public T, public MissingOverrides
{
public:
    using T::T;
    Wrapper(const T& other) : T(other) {}
    Wrapper(const Wrapper& other) : T(other), MissingOverrides() {}
    ~Wrapper() { destroyBinding(static_cast<const T*>(this)); }

protected:
    // One virtual operation: the Python override of `name`, else the fallback.
    template <typename R, typename Fallback, typename... A>
    R route(const char* name, R defaultResult, Fallback&& fallback, const A&... arguments) const
    {
        detail::clearAnyRoutingFailure();
        const int bit = siteBit<Fallback>();
        if constexpr (!std::is_same<std::decay_t<Fallback>, PureVirtual>::value) {
            if (isMissingOverride(bit))
                return fallback();
        }
        return detail::route<R>(static_cast<const T*>(this), m_missingOverrides, bit, boundName<T>(), name,
                                defaultResult, std::forward<Fallback>(fallback), arguments...);
    }
    // An operation without result; whether the override (or the fallback)
    // ran to its end: false when it is missing, raised, or could not be
    // called because a Python error was pending.
    template <typename Fallback, typename... A>
    bool routeVoid(const char* name, Fallback&& fallback, const A&... arguments) const
    {
        detail::clearAnyRoutingFailure();
        const int bit = siteBit<Fallback>();
        if constexpr (!std::is_same<std::decay_t<Fallback>, PureVirtual>::value) {
            if (isMissingOverride(bit)) {
                fallback();
                return true;
            }
        }
        return detail::route<void>(static_cast<const T*>(this), m_missingOverrides, bit, boundName<T>(), name, 0,
                                   std::forward<Fallback>(fallback), arguments...);
    }

private:
    // Each routing site (one per lambda type) owns one bit of the objects of
    // this class, numbered on its first call; pure operations are never
    // remembered. The site's number is constant-initialised, so that every
    // later call reads it without a guard.
    template <typename Fallback>
    static int siteBit()
    {
        if constexpr (std::is_same<std::decay_t<Fallback>, PureVirtual>::value) {
            return -1;
        } else {
            static std::atomic<int> bit{unnumbered};
            const int known = bit.load(std::memory_order_relaxed);
            return known != unnumbered ? known : numberSite(bit);
        }
    }
    static constexpr int unnumbered = -2;
    // Two threads may number a site at once: one number wins, the other is
    // never used again.
    static int numberSite(std::atomic<int>& bit)
    {
        static std::atomic<int> next{0};
        const int taken = next++;
        int expected = unnumbered;
        bit.compare_exchange_strong(expected, taken < 32 ? taken : -1);
        return bit.load(std::memory_order_relaxed);
    }
};

} // namespace Binding
