#pragma once

// Bound functions: methods, static methods, module functions, constructors
// and slots, each a list of overloads run through one generic call path.
//
// An overload is a callable (function, member function or lambda) with the
// names of its Python parameters and, in any order among them, extras:
//
//     overload(&Project::add_layer, "clip", arg("name", "Project.tr( \"New layer\" )") = newLayerName,
//              arg("frame_number") = 0u, arg("view") = 0u)
//
// A plain name is a required parameter; arg(name) = value gives a default
// (a callable default is evaluated at each call); the default's text in the
// signature is derived from the value, or given as arg(name, text). Extras:
//   keepLock, releaseLock        the interpreter lock around the call (the
//                                class's default otherwise; always kept when
//                                a PyObject* crosses);
//   resultOwnedByPython, resultOwnedByCpp, resultChildOfSelf, noneWhenNull;
//   resultLent                   what the core owns and only lends (a pointer,
//                                or a container of pointers): Python can use
//                                it but not destroy it (Lifetimes.h); the
//                                lender keeps it until it has been converted,
//                                so the call does not hold it;
//   argumentOwnedByCpp<N>, argumentChildOfSelf<N> (N counts from 1);
//   resultText("PySequence")     the result's name in the signature text;
//   wrongCountIsWrongArguments   another count of arguments is the
//                                wrong-arguments error, not the interpreter's;
//   ignoresArguments             a constructor without parameters that
//                                takes any arguments and looks at none.
//
// The frame does the rest: validity of self, argument counts and keywords
// with the system's texts, the overload decision, conversions, the lock,
// exception routing, the result and the signature lines.

#include "Conversions.h"
#include "Lifetimes.h"
#include "Module.h"

#include "Python/InUse.h"
#include "Python/InterpreterEnd.h"
#include "Python/PyHelpers.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace Binding {

// --- Parameters ------------------------------------------------------------

struct NoDefault
{
};

template <typename D>
struct Param
{
    const char* name;
    D fallback;
    const char* text; // the default as signature texts write it
    static constexpr bool hasDefault = !std::is_same<D, NoDefault>::value;
};

// The text of a default given without one.
std::string defaultText(bool value);
std::string defaultText(long long value);
std::string defaultText(unsigned long long value);
std::string defaultText(double value, bool isFloat);
std::string defaultText(const QString& value);
std::string defaultText(const QStringList& value);
std::string defaultText(std::nullptr_t);

template <typename D, typename = void>
struct HasDefaultText : std::false_type
{
};
template <typename D>
struct HasDefaultText<D, std::void_t<decltype(defaultText(std::declval<const D&>()))>> : std::true_type
{
};

template <typename D>
std::string derivedDefaultText(const D& value)
{
    if constexpr (std::is_same<D, bool>::value)
        return defaultText(value);
    else if constexpr (std::is_floating_point<D>::value)
        return defaultText(double(value), std::is_same<D, float>::value);
    else if constexpr (std::is_integral<D>::value && std::is_signed<D>::value)
        return defaultText((long long)value);
    else if constexpr (std::is_integral<D>::value)
        return defaultText((unsigned long long)value);
    else if constexpr (std::is_same<D, const char*>::value)
        return defaultText(QString::fromUtf8(value));
    else if constexpr (HasDefaultText<D>::value)
        return defaultText(value);
    else
        return std::string(); // only reached when the declaration gives the text
}

// arg("name") = value: a parameter with a default written as the value.
struct ArgName
{
    const char* name;

    template <typename D>
    Param<D> operator=(D fallback) const
    {
        static_assert(!std::is_invocable<const D&>::value && !std::is_enum<D>::value
                          && (std::is_arithmetic<D>::value || std::is_same<D, const char*>::value
                              || HasDefaultText<D>::value),
                      "this default needs its text: arg(\"name\", \"View()\") = ...");
        return Param<D>{name, std::move(fallback), nullptr};
    }
};

// arg("name", "text") = value: a parameter with a default and its text.
struct ArgNameWithText
{
    const char* name;
    const char* text;

    template <typename D>
    Param<D> operator=(D fallback) const
    {
        return Param<D>{name, std::move(fallback), text};
    }
};

inline ArgName arg(const char* name)
{
    return ArgName{name};
}
inline ArgNameWithText arg(const char* name, const char* defaultText)
{
    return ArgNameWithText{name, defaultText};
}

// --- Extras ------------------------------------------------------------------

struct KeepLock
{
};
struct ReleaseLock
{
};
inline constexpr KeepLock keepLock{};
inline constexpr ReleaseLock releaseLock{};

enum class Lock
{
    Default, // the class's default (released for functions without class)
    Release,
    Keep,
};

struct ResultOwnership
{
    Ownership ownership;
};
inline constexpr ResultOwnership resultOwnedByPython{Ownership::ToPython};
inline constexpr ResultOwnership resultOwnedByCpp{Ownership::ToCpp};
struct ResultLent
{
};
inline constexpr ResultLent resultLent{};

struct ResultChildOfSelf
{
};
inline constexpr ResultChildOfSelf resultChildOfSelf{};

// A result that tells itself null (isNull()) is given to Python as None.
struct NoneWhenNull
{
};
inline constexpr NoneWhenNull noneWhenNull{};

template <int N>
struct ArgumentOwnedByCpp
{
    static_assert(N >= 1, "arguments count from 1");
};
template <int N>
inline constexpr ArgumentOwnedByCpp<N> argumentOwnedByCpp{};

template <int N>
struct ArgumentChildOfSelf
{
    static_assert(N >= 1, "arguments count from 1");
};
template <int N>
inline constexpr ArgumentChildOfSelf<N> argumentChildOfSelf{};

// The number of a constructor's line in the signature text ("1:plinx..."),
// where the lines are not in the order the overloads are tried.
struct SignatureLine
{
    int number;
};
inline SignatureLine signatureLine(int number)
{
    return SignatureLine{number};
}

// A function of a fixed number of arguments (no keywords) whose other
// counts are wrong arguments, named by the qualified name, rather than the
// interpreter's own count error.
struct WrongCountIsWrongArguments
{
};
inline constexpr WrongCountIsWrongArguments wrongCountIsWrongArguments{};

// A constructor without parameters that takes whatever it is given and
// looks at none of it (no count or keyword checks).
struct IgnoresArguments
{
};
inline constexpr IgnoresArguments ignoresArguments{};

struct ResultText
{
    const char* text;
};
inline ResultText resultText(const char* text)
{
    return ResultText{text};
}

// What an overload's extras ask for.
struct Policy
{
    Lock lock = Lock::Default;
    Ownership ownership = Ownership::Unchanged;
    bool resultChildOfSelf = false;
    bool noneWhenNull = false;
    std::vector<int> argumentsToCpp;
    std::vector<int> argumentsToSelf;
    const char* resultText = nullptr;
    int signatureLine = -1;
    bool wrongCountIsWrongArguments = false;
    bool ignoresArguments = false;
    void (*lendResult)(const void* result) = nullptr; // with resultLent
};

namespace detail {

template <typename X>
struct IsParam : std::false_type
{
};
template <>
struct IsParam<const char*> : std::true_type
{
};
template <>
struct IsParam<ArgName> : std::true_type
{
};
template <typename D>
struct IsParam<Param<D>> : std::true_type
{
};

inline auto asParams(const char* name)
{
    return std::make_tuple(Param<NoDefault>{name, NoDefault{}, nullptr});
}
inline auto asParams(ArgName name)
{
    return std::make_tuple(Param<NoDefault>{name.name, NoDefault{}, nullptr});
}
template <typename D>
auto asParams(Param<D> param)
{
    return std::make_tuple(std::move(param));
}
template <typename X, typename = std::enable_if_t<!IsParam<X>::value>>
std::tuple<> asParams(const X&)
{
    return {};
}

inline void apply(Policy& p, KeepLock)
{
    p.lock = Lock::Keep;
}
inline void apply(Policy& p, ReleaseLock)
{
    p.lock = Lock::Release;
}
inline void apply(Policy& p, ResultOwnership o)
{
    p.ownership = o.ownership;
}
inline void apply(Policy& p, ResultLent)
{
    p.ownership = Ownership::Lent;
}
inline void apply(Policy& p, ResultChildOfSelf)
{
    p.resultChildOfSelf = true;
}
inline void apply(Policy& p, NoneWhenNull)
{
    p.noneWhenNull = true;
}
template <int N>
void apply(Policy& p, ArgumentOwnedByCpp<N>)
{
    p.argumentsToCpp.push_back(N - 1);
}
template <int N>
void apply(Policy& p, ArgumentChildOfSelf<N>)
{
    p.argumentsToSelf.push_back(N - 1);
}
inline void apply(Policy& p, ResultText t)
{
    p.resultText = t.text;
}
inline void apply(Policy& p, IgnoresArguments)
{
    p.ignoresArguments = true;
}
inline void apply(Policy& p, WrongCountIsWrongArguments)
{
    p.wrongCountIsWrongArguments = true;
}
inline void apply(Policy& p, SignatureLine line)
{
    p.signatureLine = line.number;
}
template <typename X, typename = std::enable_if_t<IsParam<X>::value>>
void apply(Policy&, const X&)
{
}

template <typename X>
using Decayed = std::conditional_t<std::is_convertible<X, const char*>::value && !IsParam<std::decay_t<X>>::value
                                       && !std::is_class<std::decay_t<X>>::value,
                                   const char*, std::decay_t<X>>;

// Result and argument types of a callable: a function, a lambda or a member
// function (whose object becomes the first argument).
template <typename F, typename = void>
struct Callable;

// isReader: a const member function, which a call may run twice.
template <typename R, typename... A>
struct Callable<R (*)(A...)>
{
    using Result = R;
    using Args = std::tuple<A...>;
    static constexpr bool isReader = false;
};
template <typename C, typename R, typename... A>
struct Callable<R (C::*)(A...)>
{
    using Result = R;
    using Args = std::tuple<C&, A...>;
    static constexpr bool isReader = false;
};
template <typename C, typename R, typename... A>
struct Callable<R (C::*)(A...) const>
{
    using Result = R;
    using Args = std::tuple<const C&, A...>;
    static constexpr bool isReader = true;
};
template <typename L, typename R, typename... A>
struct LambdaCall
{
    using Result = R;
    using Args = std::tuple<A...>;
    static constexpr bool isReader = false;
};
template <typename L, typename R, typename... A>
LambdaCall<L, R, A...> lambdaCall(R (L::*)(A...) const);
template <typename L, typename R, typename... A>
LambdaCall<L, R, A...> lambdaCall(R (L::*)(A...));
template <typename F>
struct Callable<F, std::void_t<decltype(&F::operator())>> : decltype(lambdaCall(&F::operator()))
{
};

template <typename Tuple, std::size_t Skip, typename Seq>
struct TupleTail;
template <typename Tuple, std::size_t Skip, std::size_t... I>
struct TupleTail<Tuple, Skip, std::index_sequence<I...>>
{
    using type = std::tuple<std::tuple_element_t<I + Skip, Tuple>...>;
};

template <typename Tuple>
struct ArgsOf;
template <typename... P>
struct ArgsOf<std::tuple<P...>>
{
    using type = std::tuple<Arg<P>...>;
    static constexpr bool pythonObjectCrosses = (isPythonObject<P> || ...);
    static void texts(std::vector<std::string>& out) { (out.push_back(parameterText<P>()), ...); }
};

// What a call on an object keeps alive besides the object, until it returns:
// the owner that a class names (callOwner()), such as the project of a node
// that a handle reaches by a weak reference, which another thread may let go
// of meanwhile; nothing for other classes.
template <typename T>
auto ownerForCall(const T& object, int) -> decltype(object.callOwner())
{
    return object.callOwner();
}
template <typename T>
std::nullptr_t ownerForCall(const T&, long)
{
    return nullptr;
}

// The frame's one exception routing, called in a catch block: the Python
// error for what the call threw. std::bad_alloc, from any call, is a
// MemoryError; other exceptions go to the module's hook (the translator
// without module).
void raiseCaught(const Module* module) noexcept;

// Runs an API call with the interpreter lock released, holding the core
// for it instead. Exceptions are routed once the lock is back. False when
// the call threw.
template <typename Body>
bool callWithoutLock(const Module& module, Body&& body)
{
    PyHelpers::InterpreterGivenAway unlocked;
    try {
        PyHelpers::CoreLock core;
        body();
    } catch (...) {
        unlocked.restore();
        raiseCaught(&module);
        return false;
    }
    unlocked.restore();
    return true;
}

// The same, holding the interpreter lock as well: for a call given an object
// whose virtual functions need it. The core first, the interpreter lock
// again after, in the order every holder of the core takes them.
template <typename Body>
bool callWithCoreAndLock(const Module& module, Body&& body);

// Whether an argument's holder asks for the interpreter lock during the call.
template <typename H>
auto needsInterpreterLock(const H& holder, int) -> decltype(holder.needsInterpreterLock())
{
    return holder.needsInterpreterLock();
}
template <typename H>
bool needsInterpreterLock(const H&, long)
{
    return false;
}
template <typename H>
bool needsInterpreterLock(const H& holder)
{
    return needsInterpreterLock(holder, 0);
}

// Tells an argument's holder that the call keeps the interpreter lock
// throughout (see CallHold), before it converts; and asks it afterwards
// whether what it took without a hold is still there.
template <typename H>
auto keepLockFor(H& holder, int) -> decltype(void(holder.lockKept = true))
{
    holder.lockKept = true;
}
template <typename H>
void keepLockFor(H&, long)
{
}
template <typename H>
auto stillValid(const H& holder, int) -> decltype(holder.stillValid())
{
    return holder.stillValid();
}
template <typename H>
bool stillValid(const H&, long)
{
    return true;
}

// The same, the lock kept.
template <typename Body>
bool callWithLock(const Module& module, Body&& body)
{
    try {
        body();
    } catch (...) {
        raiseCaught(&module);
        PyHelpers::detail::raisePutOffInterrupt();
        return false;
    }
    PyHelpers::detail::raisePutOffInterrupt();
    return true;
}

template <typename Body>
bool callWithCoreAndLock(const Module& module, Body&& body)
{
    PyHelpers::InterpreterGivenAway unlocked;
    PyHelpers::CoreLock core;
    unlocked.restore();
    return callWithLock(module, body);
}

void setParentOf(PyObject* parent, PyObject* child);
void releaseOwnershipOf(PyObject* object);

template <typename R>
void lendResult(const void* result)
{
    lendResultForLife(*static_cast<const R*>(result));
}

} // namespace detail

// Runs a native call with the interpreter lock released, inside a bound
// function that keeps it because Python objects cross: the lock is back
// before the result, or an exception, leaves.
template <typename Body>
decltype(auto) withoutLock(Body&& body)
{
    PyHelpers::InterpreterGivenAway unlocked;
    PyHelpers::CoreLock core;
    return body();
}

// Where a call is made: the module (for its exception hook) and the
// qualified name that error texts carry.
struct CallSite
{
    const Module* module;
    std::string qualifiedName; // "plinx.project.Project.add_layer"
    std::string shortName;     // "add_layer"
};

// Raises the wrong-arguments TypeError for a call that no overload fits.
void raiseWrongArguments(PyObject* args, const CallSite& site);
// Finds the runtime's handler of wrong arguments, at a module's start-up
// (with the interpreter lock held, before any bound function can be called):
// finding it runs Python.
void prepareWrongArguments(const char* anyQualifiedName);
// "...(): takes at least N arguments (%d given)"
void raiseArgumentCount(const CallSite& site, int least, Py_ssize_t given);
// "...(): got multiple values for keyword argument 'name'."
void raiseRepeatedKeyword(const CallSite& site, const char* name);
// Positional unpacking with the interpreter's own count errors.
bool unpackPositional(PyObject* args, const char* name, Py_ssize_t least, Py_ssize_t most, PyObject** out);

// Takes a constructor's new native object into its Python object; false
// with a Python error set (the object destroyed) if it cannot. A plain
// reference to the caller's callable: constructors are hot.
class AdoptNew
{
public:
    template <typename F>
    AdoptNew(const F& adopt) // NOLINT: made from the lambda in place
        : m_callable(&adopt), m_call([](const void* callable, void* made) {
              return (*static_cast<const F*>(callable))(made);
          })
    {
    }
    bool operator()(void* made) const { return m_call(m_callable, made); }

private:
    const void* m_callable;
    bool (*m_call)(const void*, void*);
};

// The arguments of one call, as collected by a function's convention.
struct Arguments
{
    static constexpr std::size_t capacity = 16;
    PyObject* args = nullptr;     // the positional tuple, for the wrong-arguments error
    PyObject* keywords = nullptr; // only for functions that take keywords
    Py_ssize_t count = 0;         // positional arguments given
    Py_ssize_t size = 0;          // parameters of the longest overload
    // Entries below `size` are set before an overload is tried: given
    // arguments, else null.
    PyObject* given[capacity];
    PythonToCppFunc toCpp[capacity];
};

// One parameter as a signature text writes it.
struct ParameterText
{
    std::string name;
    std::string type;
    std::string fallback; // empty without default
};

struct OverloadText
{
    std::vector<ParameterText> parameters;
    std::string result;
    int line; // -1: in the order of the overloads
};

// --- Overloads -------------------------------------------------------------

template <typename F, typename... Params>
struct Overload
{
    static_assert(sizeof...(Params) <= Arguments::capacity, "too many parameters for one bound function");

    F function;
    std::tuple<Params...> params;
    Policy policy;

    static constexpr int count = int(sizeof...(Params));
    using Result = typename detail::Callable<F>::Result;
    using AllArgs = typename detail::Callable<F>::Args;

    template <bool WithSelf>
    using Tail = typename detail::TupleTail<AllArgs, WithSelf ? 1 : 0,
                                            std::make_index_sequence<std::tuple_size<AllArgs>::value
                                                                     - (WithSelf ? 1 : 0)>>::type;
    template <bool WithSelf>
    using ArgHolders = typename detail::ArgsOf<Tail<WithSelf>>::type;

    template <bool WithSelf>
    static constexpr bool pythonObjectCrosses =
        detail::ArgsOf<Tail<WithSelf>>::pythonObjectCrosses || std::is_same<std::decay_t<Result>, PyObject*>::value;

    // A call that keeps the interpreter lock from its start to its end, where
    // no other thread runs Python meanwhile: one that passes no Python object
    // (which it would call, or Python it may run).
    template <bool WithSelf>
    bool keepsLockThroughout() const
    {
        return policy.lock == Lock::Keep && !pythonObjectCrosses<WithSelf>;
    }

    int requiredCount() const
    {
        int required = 0;
        bool seenDefault = false;
        forEachParam([&](const auto& param, std::size_t) {
            seenDefault = seenDefault || param.hasDefault;
            if (!seenDefault)
                ++required;
        });
        return required;
    }
    bool hasDefaults() const { return requiredCount() < count; }

    // The parameters' names, types and defaults, for the signature line.
    template <bool WithSelf>
    std::vector<ParameterText> parameterTexts() const
    {
        std::vector<std::string> types;
        detail::ArgsOf<Tail<WithSelf>>::texts(types);
        std::vector<ParameterText> texts;
        forEachParam([&](const auto& param, std::size_t index) {
            ParameterText text{param.name, types[index], {}};
            if constexpr (std::decay_t<decltype(param)>::hasDefault)
                text.fallback = param.text ? std::string(param.text) : derivedDefaultText(param.fallback);
            texts.push_back(std::move(text));
        });
        return texts;
    }
    std::string resultTextOf() const
    {
        if (policy.resultText)
            return policy.resultText;
        return resultText<Result>();
    }

    // Whether the given positional arguments all convert; records how.
    template <bool WithSelf>
    bool matches(Arguments& a) const
    {
        static_assert(std::tuple_size<ArgHolders<WithSelf>>::value == sizeof...(Params),
                      "every parameter of a bound function needs a name");
        if (a.count < requiredCount() || a.count > count)
            return false;
        return matchesImpl<WithSelf>(a, std::index_sequence_for<Params...>());
    }

    // Takes keywords, converts, calls (the lock as the policy says), converts
    // the result.
    template <bool WithSelf, typename Self>
    PyObject* invoke(const CallSite& site, PyObject* pySelf, Self* self, const detail::CallHold<Self>& selfHold,
                     Arguments& a) const
    {
        ArgHolders<WithSelf> holders;
        if (!prepare<WithSelf>(site, a, holders) || !selfHold.stillValid())
            return nullptr;
        PyObject* result = call<WithSelf>(site, self, holders, std::index_sequence_for<Params...>());
        if (result)
            applyTies(pySelf, a, result);
        return result;
    }

    // Constructors: the new object, adopted while the arguments are still
    // held, or null with a Python error set.
    template <typename Made>
    Made* construct(const CallSite& site, Arguments& a, const AdoptNew& adopt) const
    {
        ArgHolders<false> holders;
        if (!prepare<false>(site, a, holders))
            return nullptr;
        Made* made = nullptr;
        const auto build = [&] {
            made = invokeApi<false>(static_cast<void*>(nullptr), holders, std::index_sequence_for<Params...>());
        };
        if (!run<false>(site, build, anyNeedsInterpreterLock(holders, std::index_sequence_for<Params...>())))
            return nullptr;
        return made && adopt(made) ? made : nullptr;
    }

private:
    template <typename Visit>
    void forEachParam(Visit&& visit) const
    {
        forEachParamImpl(visit, std::index_sequence_for<Params...>());
    }
    template <typename Visit, std::size_t... I>
    void forEachParamImpl(Visit& visit, std::index_sequence<I...>) const
    {
        (visit(std::get<I>(params), I), ...);
    }

    template <bool WithSelf, std::size_t... I>
    bool matchesImpl(Arguments& a, std::index_sequence<I...>) const
    {
        using Holders = ArgHolders<WithSelf>;
        bool ok = true;
        ((ok = ok && (Py_ssize_t(I) >= a.count
                      || (a.toCpp[I] = std::tuple_element_t<I, Holders>::check(a.given[I])) != nullptr)),
         ...);
        return ok;
    }

    // Converts the arguments, which may run Python (a number's __index__, a
    // sequence): what a call that keeps the lock took without a hold is looked
    // at again after the last of them.
    template <bool WithSelf, typename Holders>
    bool prepare(const CallSite& site, Arguments& a, Holders& holders) const
    {
        if (a.keywords && !takeKeywords<WithSelf>(site, a, std::index_sequence_for<Params...>()))
            return false;
        if (!convertAll(holders, a, keepsLockThroughout<WithSelf>(), std::index_sequence_for<Params...>()))
            return false;
        return !PyErr_Occurred();
    }

    // Keywords name only parameters with defaults; others are ignored.
    template <bool WithSelf, std::size_t... I>
    bool takeKeywords(const CallSite& site, Arguments& a, std::index_sequence<I...>) const
    {
        using Holders = ArgHolders<WithSelf>;
        bool ok = true;
        auto take = [&](const auto& param, std::size_t index, auto check) {
            if (!ok || !param.hasDefault)
                return;
            PyObject* value = PyDict_GetItemString(a.keywords, param.name);
            if (!value)
                return;
            if (Py_ssize_t(index) < a.count) {
                raiseRepeatedKeyword(site, param.name);
                ok = false;
                return;
            }
            a.given[index] = value;
            a.toCpp[index] = check(value);
            if (!a.toCpp[index]) {
                raiseWrongArguments(a.args, site);
                ok = false;
            }
        };
        (take(std::get<I>(params), I, &std::tuple_element_t<I, Holders>::check), ...);
        (void)take; // unused for functions without parameters
        return ok;
    }

    // Stops at the first argument that fails, so that no later conversion
    // runs with an error pending.
    template <typename Holders, std::size_t... I>
    bool convertAll(Holders& holders, const Arguments& a, bool lockKept, std::index_sequence<I...>) const
    {
        bool ok = true;
        auto one = [&](auto& holder, const auto& param, std::size_t index) {
            if (!ok)
                return;
            if (a.given[index]) {
                if (lockKept)
                    detail::keepLockFor(holder, 0);
                ok = holder.convert(a.toCpp[index], a.given[index]);
            } else if constexpr (std::decay_t<decltype(param)>::hasDefault) {
                holder.setDefault(param.fallback);
                ok = !PyErr_Occurred();
            }
        };
        (one(std::get<I>(holders), std::get<I>(params), I), ...);
        (void)one;
        return ok && (!lockKept || (detail::stillValid(std::get<I>(holders), 0) && ... && true));
    }

    template <bool WithSelf, typename Self, typename Holders, std::size_t... I>
    decltype(auto) invokeApi(Self* self, Holders& holders, std::index_sequence<I...>) const
    {
        if constexpr (WithSelf) {
            [[maybe_unused]] const auto owner = detail::ownerForCall(*self, 0);
            return std::invoke(function, *self, std::get<I>(holders).get()...);
        } else
            return std::invoke(function, std::get<I>(holders).get()...);
    }

    template <bool WithSelf, typename Body>
    bool run(const CallSite& site, Body&& body, bool needsInterpreterLock) const
    {
        if (pythonObjectCrosses<WithSelf> || policy.lock == Lock::Keep)
            return detail::callWithLock(*site.module, body);
        if (needsInterpreterLock)
            return detail::callWithCoreAndLock(*site.module, body);
        return detail::callWithoutLock(*site.module, body);
    }

    template <typename Holders, std::size_t... I>
    static bool anyNeedsInterpreterLock(const Holders& holders, std::index_sequence<I...>)
    {
        return (detail::needsInterpreterLock(std::get<I>(holders)) || ... || false);
    }

    template <bool WithSelf, typename Self, typename Holders, std::size_t... I>
    PyObject* call(const CallSite& site, Self* self, Holders& holders, std::index_sequence<I...> seq) const
    {
        if constexpr (std::is_void<Result>::value) {
            if (!run<WithSelf>(site, [&] { invokeApi<WithSelf>(self, holders, seq); },
                               anyNeedsInterpreterLock(holders, seq)))
                return nullptr;
            if (PyErr_Occurred())
                return nullptr;
            Py_RETURN_NONE;
        } else {
            std::optional<std::decay_t<Result>> result;
            // An object the call returns is held from the moment it is
            // returned until its Python object is made: another thread may
            // be deleting it meanwhile.
            detail::ResultHolds<std::decay_t<Result>> resultHolds;
            bool resultHeld = true;
            const auto body = [&] {
                // A deletion that ended between the read and the hold may
                // have freed what the call read: a reader reads again.
                for (int attempt = 0;; ++attempt) {
                    const auto deletions = PyHelpers::deletionsEnded();
                    result.emplace(invokeApi<WithSelf>(self, holders, seq));
                    // (An object at the address of one whose deletion is still
                    // ending would read as dying: a lender's are not taken.)
                    resultHeld = policy.lendResult || resultHolds.take(*result);
                    if (!resultHolds.any() || !detail::Callable<F>::isReader || attempt == 8
                        || PyHelpers::deletionsEnded() == deletions)
                        break;
                    resultHolds.release();
                }
            };
            if (!run<WithSelf>(site, body, anyNeedsInterpreterLock(holders, seq)))
                return nullptr;
            if (PyErr_Occurred()) {
                if constexpr (std::is_same<std::decay_t<Result>, PyObject*>::value)
                    Py_XDECREF(*result);
                return nullptr;
            }
            if constexpr (!std::is_same<std::decay_t<Result>, PyObject*>::value && !std::is_pointer<Result>::value) {
                if (policy.noneWhenNull && isNullValue(*result))
                    Py_RETURN_NONE;
            }
            if (!resultHeld) {
                PyErr_SetString(PyExc_RuntimeError, "Internal C++ object already deleted.");
                return nullptr;
            }
            if (policy.lendResult)
                policy.lendResult(&*result);
            return toPython(*result, policy.ownership);
        }
    }

    template <typename V>
    static bool isNullValue(const V& value)
    {
        if constexpr (std::is_class<V>::value)
            return callIsNull(value, 0);
        else
            return false;
    }
    template <typename V>
    static auto callIsNull(const V& value, int) -> decltype(value.isNull())
    {
        return value.isNull();
    }
    template <typename V>
    static bool callIsNull(const V&, long)
    {
        return false;
    }

    void applyTies(PyObject* pySelf, const Arguments& a, PyObject* result) const
    {
        if (policy.resultChildOfSelf && pySelf && result != Py_None)
            detail::setParentOf(pySelf, result);
        for (int index : policy.argumentsToCpp) {
            if (index < a.size && a.given[index])
                detail::releaseOwnershipOf(a.given[index]);
        }
        for (int index : policy.argumentsToSelf) {
            if (pySelf && index < a.size && a.given[index])
                detail::setParentOf(pySelf, a.given[index]);
        }
    }
};

// One overload: a callable, the names of its parameters and its extras.
template <typename F, typename... X>
auto overload(F function, X... paramsAndExtras)
{
    auto params = std::tuple_cat(detail::asParams(detail::Decayed<X>(paramsAndExtras))...);
    Policy policy;
    (detail::apply(policy, detail::Decayed<X>(paramsAndExtras)), ...);
    if constexpr ((std::is_same<std::decay_t<X>, ResultLent>::value || ...))
        policy.lendResult = &detail::lendResult<std::decay_t<typename detail::Callable<F>::Result>>;
    constexpr bool releases = (std::is_same<std::decay_t<X>, ReleaseLock>::value || ...);
    return std::apply(
        [&](auto... p) {
            using O = Overload<F, decltype(p)...>;
            static_assert(!(releases && O::template pythonObjectCrosses<false>),
                          "the lock stays held when a Python object crosses");
            return O{function, std::make_tuple(p...), policy};
        },
        params);
}

// A constructor overload: the wrapper class is built from these argument types.
template <typename... Args>
struct Init
{
};

template <typename... Args, typename... X>
auto init(X... paramsAndExtras)
{
    return std::make_pair(Init<Args...>{}, std::make_tuple(paramsAndExtras...));
}

// Makes the overload that builds the wrapper class W of the bound class T.
template <typename T, typename W, typename... Args, typename... X>
auto constructorOverload(const std::pair<Init<Args...>, std::tuple<X...>>& declared)
{
    return std::apply(
        [](auto... x) {
            return overload([](Args... args) -> T* { return new W(std::forward<Args>(args)...); }, x...);
        },
        declared.second);
}

// --- Functions -------------------------------------------------------------

enum class Convention
{
    NoArguments,
    OneArgument,
    Positional,
    PositionalAndKeywords,
};

// A Python-callable name with its overloads: what the method tables, the
// special slots and the signature texts see of it.
class FunctionBase
{
public:
    FunctionBase(CallSite site, bool withSelf) : m_site(std::move(site)), m_withSelf(withSelf) {}
    virtual ~FunctionBase() = default;

    const CallSite& site() const { return m_site; }
    Convention convention() const { return m_convention; }

    // The method-table row: a trampoline of the function's convention.
    PyMethodDef methodDef(int extraFlags) const;
    // "plinx.project.View.get_id()->unsigned int", one per overload;
    // several overloads are numbered from the last down to 0.
    void appendSignatureLines(std::vector<std::string>& lines) const;

    PyObject* callNoArguments(PyObject* self) const;
    PyObject* callOneArgument(PyObject* self, PyObject* argument) const;
    PyObject* callWithArguments(PyObject* self, PyObject* args, PyObject* keywords) const;

    // Builds the native object of a constructor and hands it to adopt; null
    // with a Python error set. QObject classes do not count arguments against
    // the maximum.
    void* construct(PyObject* args, PyObject* keywords, bool countMost, const AdoptNew& adopt) const;

protected:
    struct Shape
    {
        int least;
        int most;
        bool defaults;
        int overloads;
        bool wrongCountIsWrongArguments;
        bool ignoresArguments;
    };
    void setShape(const Shape& shape);

    virtual PyObject* dispatch(PyObject* self, Arguments& a) const = 0;
    virtual void* dispatchConstruct(Arguments& a, const AdoptNew& adopt) const = 0;
    virtual std::vector<OverloadText> overloadTexts() const = 0;

private:
    bool collect(PyObject* args, PyObject* keywords, bool countMost, Arguments& a) const;
    PyObject* call(PyObject* self, Arguments& a) const;
    void clearMissing(Arguments& a) const;

    CallSite m_site;
    bool m_withSelf;
    Convention m_convention = Convention::NoArguments;
    int m_most = 0;
    int m_least = 0;
    bool m_wrongCountIsWrongArguments = false;
    bool m_ignoresArguments = false;
};

namespace detail {
// A share of an object that its owners hold by shared ownership (a registry
// entry), taken with the interpreter lock for a call on it: whoever drops
// the object meanwhile, it lives until the call has returned. Nothing for
// other objects.
template <typename T, typename = void>
struct HasWeakThis : std::false_type
{
};
template <typename T>
struct HasWeakThis<T, std::void_t<decltype(std::declval<T&>().weak_from_this())>> : std::true_type
{
};
template <typename T>
auto shareOf(T* object)
{
    if constexpr (HasWeakThis<T>::value)
        return object ? object->weak_from_this().lock() : decltype(object->weak_from_this().lock())();
    else
        return nullptr;
}

// Set while Python calls a bound method on an object that has a wrapper
// class: the wrapper's routing then runs the class's own implementation of
// that method instead of looking for a Python override of it.
struct BaseCall
{
    const void* object = nullptr;
    const char* name = nullptr;
};
BaseCall& pendingBaseCall();

class BaseCallScope
{
public:
    BaseCallScope(PyObject* self, const void* object, const char* name);
    ~BaseCallScope();

private:
    BaseCall m_previous;
    bool m_active = false;
};
} // namespace detail

// The overloads of one name, tried in order. T is the bound class of a
// method, void for static and module functions and for constructors.
template <typename T, typename... Overloads>
class Function final : public FunctionBase
{
public:
    static constexpr bool withSelf = !std::is_void<T>::value;

    Function(CallSite site, Overloads... overloads)
        : FunctionBase(std::move(site), withSelf), m_overloads(std::move(overloads)...)
    {
        Shape shape{1 << 30, 0, false, int(sizeof...(Overloads)), false, false};
        std::apply(
            [&](const auto&... each) {
                ((shape.most = std::max(shape.most, each.count),
                  shape.least = std::min(shape.least, each.requiredCount()),
                  shape.defaults = shape.defaults || each.hasDefaults(),
                  shape.wrongCountIsWrongArguments =
                      shape.wrongCountIsWrongArguments || each.policy.wrongCountIsWrongArguments,
                  shape.ignoresArguments = shape.ignoresArguments || each.policy.ignoresArguments),
                 ...);
            },
            m_overloads);
        setShape(shape);
    }

    // Accessors never run a class's own implementation in place of a
    // Python override: no base call to note for them.
    void noBaseCalls() { m_baseCalls = false; }

    // Resolves each overload's lock from the class's default.
    void setDefaultLock(Lock lock)
    {
        std::apply(
            [&](auto&... each) {
                ((each.policy.lock = each.policy.lock == Lock::Default ? lock : each.policy.lock), ...);
                m_keepsLock = (each.template keepsLockThroughout<withSelf>() && ...);
            },
            m_overloads);
    }

protected:
    PyObject* dispatch(PyObject* self, Arguments& a) const override
    {
        T* cppSelf = nullptr;
        const char* name = nullptr;
        if constexpr (withSelf) {
            cppSelf = selfPointer<T>(self);
            name = m_baseCalls ? site().shortName.c_str() : nullptr;
        }
        // The hold first: an object whose deletion is underway is not touched.
        detail::CallHold<T> held;
        if (!held.take(self, cppSelf, m_keepsLock))
            return nullptr;
        [[maybe_unused]] const auto share = detail::shareOf(cppSelf);
        detail::BaseCallScope base(self, cppSelf, name);
        PyObject* result = nullptr;
        choose(a, [&](const auto& chosen) {
            result = chosen.template invoke<withSelf>(site(), self, cppSelf, held, a);
        });
        return result;
    }

    void* dispatchConstruct(Arguments& a, const AdoptNew& adopt) const override
    {
        void* made = nullptr;
        choose(a, [&](const auto& chosen) {
            if constexpr (!withSelf && std::is_pointer<typename std::decay_t<decltype(chosen)>::Result>::value)
                made = chosen.template construct<void>(site(), a, adopt);
        });
        return made;
    }

    std::vector<OverloadText> overloadTexts() const override
    {
        std::vector<OverloadText> texts;
        std::apply(
            [&](const auto&... each) {
                (texts.push_back(OverloadText{each.template parameterTexts<withSelf>(), each.resultTextOf(),
                                              each.policy.signatureLine}),
                 ...);
            },
            m_overloads);
        return texts;
    }

private:
    // Runs the action on the first overload that the arguments fit.
    template <typename Action>
    bool choose(Arguments& a, Action&& action) const
    {
        bool chosen = false;
        std::apply(
            [&](const auto&... each) {
                auto attempt = [&](const auto& candidate) {
                    if (chosen || !candidate.template matches<withSelf>(a))
                        return;
                    chosen = true;
                    action(candidate);
                };
                (attempt(each), ...);
            },
            m_overloads);
        if (!chosen)
            raiseWrongArguments(a.args, site());
        return chosen;
    }

    std::tuple<Overloads...> m_overloads;
    bool m_baseCalls = true;
    bool m_keepsLock = false; // every overload keeps the interpreter lock throughout
};

// Builds the function object of a declaration; it lives as long as the process.
template <typename T, typename... Overloads>
Function<T, Overloads...>* makeFunction(CallSite site, Overloads... overloads)
{
    return new Function<T, Overloads...>(std::move(site), std::move(overloads)...);
}

// A module-level function, declared before the module is created:
//
//     functions.push_back(moduleFunction(module, "get_setting_value",
//                                        overload(&get_setting_value, "key", "default_value", "flag")));
template <typename... Overloads>
const FunctionBase* moduleFunction(const Module& module, const char* name, Overloads... overloads)
{
    return makeFunction<void>(CallSite{&module, std::string(module.qualifiedName) + "." + name, name}, overloads...);
}

} // namespace Binding
