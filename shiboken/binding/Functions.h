#pragma once

// Bound functions: methods, static methods, module functions and
// constructors, each a list of overloads over one generic call path.
//
// A binding declares a function as a table row:
//
//     const auto set_suffix = streamInfo.method("set_suffix", overload(&StreamInfo::set_suffix, "suffix"));
//
// (a parameter with a default is opt("view", [] { return View(0); }), the
// default evaluated at each call) and lists it in the type's method table
// with def<set_suffix>(). The frame
// does the rest: validity of self, argument counts and keywords with the
// system's texts, the overload decision, conversions, the release of the
// interpreter lock around the API call, exception routing and the result.

#include "Conversions.h"
#include "Module.h"

#include <threadstatesaver.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <tuple>

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
    static constexpr bool hasDefault = !std::is_same<D, NoDefault>::value;
};

// A parameter with a default; a callable default is evaluated at each call.
template <typename D>
Param<D> opt(const char* name, D fallback)
{
    return Param<D>{name, std::move(fallback)};
}

inline Param<NoDefault> required(const char* name)
{
    return Param<NoDefault>{name, NoDefault{}};
}

namespace detail {

inline Param<NoDefault> toParam(const char* name)
{
    return required(name);
}
template <typename D>
Param<D> toParam(Param<D> param)
{
    return param;
}

// Result and argument types of a callable: a function, a lambda or a member
// function (whose object becomes the first argument).
template <typename F, typename = void>
struct Callable;

template <typename R, typename... A>
struct Callable<R (*)(A...)>
{
    using Result = R;
    using Args = std::tuple<A...>;
};
template <typename C, typename R, typename... A>
struct Callable<R (C::*)(A...)>
{
    using Result = R;
    using Args = std::tuple<C&, A...>;
};
template <typename C, typename R, typename... A>
struct Callable<R (C::*)(A...) const>
{
    using Result = R;
    using Args = std::tuple<const C&, A...>;
};
template <typename L, typename R, typename... A>
struct LambdaCall
{
    using Result = R;
    using Args = std::tuple<A...>;
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
};

// Runs an API call with the interpreter lock released. Exceptions are routed
// to the module's hook once the lock is back. False when the call threw.
template <typename Body>
bool callWithoutLock(const Module& module, Body&& body)
{
    Shiboken::ThreadStateSaver unlocked;
    unlocked.save();
    try {
        body();
    } catch (const std::exception& error) {
        unlocked.restore();
        module.raise(error);
        return false;
    } catch (...) {
        unlocked.restore();
        Module::raiseUnknown();
        return false;
    }
    unlocked.restore();
    return true;
}

} // namespace detail

// Where a call is made: the module (for its exception hook) and the
// qualified name that error texts carry.
struct CallSite
{
    const Module* module;
    std::string qualifiedName; // "plinx.project.Project.add_layer"
    std::string shortName;     // "add_layer"
};

// Raises the runtime's wrong-arguments error for a call that no overload fits.
void raiseWrongArguments(PyObject* args, const CallSite& site);
// "...(): takes at least N arguments (%d given)"
void raiseArgumentCount(const CallSite& site, int least, Py_ssize_t given);
// "...(): got multiple values for keyword argument 'name'."
void raiseRepeatedKeyword(const CallSite& site, const char* name);
// Positional unpacking with the interpreter's own count errors.
bool unpackPositional(PyObject* args, const char* name, Py_ssize_t least, Py_ssize_t most, PyObject** out);

// The arguments of one call, as collected by a function's convention.
struct Arguments
{
    static constexpr std::size_t capacity = 16;
    PyObject* args = nullptr;     // the positional tuple, for the wrong-arguments error
    PyObject* keywords = nullptr; // only for functions that take keywords
    Py_ssize_t count = 0;         // positional arguments given
    std::array<PyObject*, capacity> given{};
    std::array<PythonToCppFunc, capacity> toCpp{};
};

// --- Overloads -------------------------------------------------------------

template <typename F, typename... Params>
struct Overload
{
    static_assert(sizeof...(Params) <= Arguments::capacity, "too many parameters for one bound function");

    F function;
    std::tuple<Params...> params;
    Ownership ownership = Ownership::Unchanged;

    static constexpr int count = int(sizeof...(Params));

    // The same overload, with its pointer result given to Python or kept in C++.
    Overload returnsOwnedByPython() const
    {
        Overload copy = *this;
        copy.ownership = Ownership::ToPython;
        return copy;
    }
    Overload returnsOwnedByCpp() const
    {
        Overload copy = *this;
        copy.ownership = Ownership::ToCpp;
        return copy;
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

    template <bool WithSelf>
    using ArgHolders = typename detail::ArgsOf<
        typename detail::TupleTail<typename detail::Callable<F>::Args, WithSelf ? 1 : 0,
                                   std::make_index_sequence<std::tuple_size<typename detail::Callable<F>::Args>::value
                                                            - (WithSelf ? 1 : 0)>>::type>::type;

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

    // Takes keywords, converts, calls with the lock released, converts the result.
    template <bool WithSelf, typename Self>
    PyObject* invoke(const CallSite& site, Self* self, Arguments& a) const
    {
        ArgHolders<WithSelf> holders;
        if (!prepare<WithSelf>(site, a, holders))
            return nullptr;
        return call<WithSelf>(site, self, holders, std::index_sequence_for<Params...>());
    }

    // Constructors: the new object, or null with a Python error set.
    template <typename Made>
    Made* construct(const CallSite& site, Arguments& a) const
    {
        ArgHolders<false> holders;
        if (!prepare<false>(site, a, holders))
            return nullptr;
        Made* made = nullptr;
        const auto build = [&] {
            made = invokeApi<false>(static_cast<void*>(nullptr), holders, std::index_sequence_for<Params...>());
        };
        if (!detail::callWithoutLock(*site.module, build))
            return nullptr;
        return made;
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

    template <bool WithSelf, typename Holders>
    bool prepare(const CallSite& site, Arguments& a, Holders& holders) const
    {
        if (a.keywords && !takeKeywords<WithSelf>(site, a, std::index_sequence_for<Params...>()))
            return false;
        if (!convertAll(holders, a, std::index_sequence_for<Params...>()))
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

    template <typename Holders, std::size_t... I>
    bool convertAll(Holders& holders, const Arguments& a, std::index_sequence<I...>) const
    {
        bool ok = true;
        auto one = [&](auto& holder, const auto& param, std::size_t index) {
            if (!ok)
                return;
            if (a.given[index]) {
                ok = holder.convert(a.toCpp[index], a.given[index]);
            } else if constexpr (std::decay_t<decltype(param)>::hasDefault) {
                holder.setDefault(param.fallback);
            }
        };
        (one(std::get<I>(holders), std::get<I>(params), I), ...);
        (void)one;
        return ok;
    }

    template <bool WithSelf, typename Self, typename Holders, std::size_t... I>
    decltype(auto) invokeApi(Self* self, Holders& holders, std::index_sequence<I...>) const
    {
        if constexpr (WithSelf)
            return std::invoke(function, *self, std::get<I>(holders).get()...);
        else
            return std::invoke(function, std::get<I>(holders).get()...);
    }

    template <bool WithSelf, typename Self, typename Holders, std::size_t... I>
    PyObject* call(const CallSite& site, Self* self, Holders& holders, std::index_sequence<I...> seq) const
    {
        using Result = typename detail::Callable<F>::Result;
        if constexpr (std::is_void<Result>::value) {
            if (!detail::callWithoutLock(*site.module, [&] { invokeApi<WithSelf>(self, holders, seq); }))
                return nullptr;
            Py_RETURN_NONE;
        } else {
            std::optional<std::decay_t<Result>> result;
            if (!detail::callWithoutLock(*site.module, [&] { result.emplace(invokeApi<WithSelf>(self, holders, seq)); }))
                return nullptr;
            return toPython(*result, ownership);
        }
    }
};

// One overload: a callable and the names of its parameters (a plain name for
// a required one, opt(name, default) for one with a default).
template <typename F, typename... Params>
auto overload(F function, Params... params)
{
    return Overload<F, decltype(detail::toParam(params))...>{function, std::make_tuple(detail::toParam(params)...)};
}

// A constructor overload: builds the wrapper class from the arguments.
template <typename Wrapper, typename... Args, typename... Params>
auto init(Params... params)
{
    return overload([](Args... args) -> Wrapper* { return new Wrapper(std::forward<Args>(args)...); }, params...);
}

// --- Functions -------------------------------------------------------------

enum class Convention
{
    NoArguments,
    OneArgument,
    Positional,
    PositionalAndKeywords,
};

// A Python-callable name with its overloads, tried in order. Self is the
// bound class of a method, void for static and module functions and for
// constructors.
template <typename Self, typename... Overloads>
class Function
{
public:
    static constexpr bool withSelf = !std::is_void<Self>::value;

    Function(CallSite site, Overloads... overloads)
        : m_site(std::move(site)), m_overloads(std::move(overloads)...)
    {
        bool defaults = false;
        m_least = 1 << 30;
        std::apply(
            [&](const auto&... each) {
                ((m_most = std::max(m_most, each.count), m_least = std::min(m_least, each.requiredCount()),
                  defaults = defaults || each.hasDefaults()),
                 ...);
            },
            m_overloads);
        if (m_most == 0)
            m_convention = Convention::NoArguments;
        else if (defaults)
            m_convention = Convention::PositionalAndKeywords;
        else if (sizeof...(Overloads) == 1 && m_most == 1)
            m_convention = Convention::OneArgument;
        else
            m_convention = Convention::Positional;
    }

    const CallSite& site() const { return m_site; }
    Convention convention() const { return m_convention; }

    PyObject* callNoArguments(PyObject* self) const
    {
        Arguments a;
        return call(self, a);
    }

    PyObject* callOneArgument(PyObject* self, PyObject* argument) const
    {
        Arguments a;
        a.args = argument;
        a.count = 1;
        a.given[0] = argument;
        return call(self, a);
    }

    PyObject* callWithArguments(PyObject* self, PyObject* args, PyObject* keywords) const
    {
        if (withSelf && !Shiboken::Object::isValid(self))
            return nullptr;
        Arguments a;
        if (!collect(args, keywords, true, a))
            return nullptr;
        return call(self, a);
    }

    // Builds the native object of a constructor; null with a Python error set.
    // Objects (QObject classes) do not count arguments against the maximum.
    template <typename Made>
    Made* construct(PyObject* args, PyObject* keywords, bool countMost) const
    {
        Arguments a;
        if (!collect(args, keywords, countMost, a))
            return nullptr;
        Made* made = nullptr;
        if (!choose(a, [&](const auto& chosen) { made = chosen.template construct<Made>(m_site, a); }))
            return nullptr;
        return made;
    }

private:
    bool collect(PyObject* args, PyObject* keywords, bool countMost, Arguments& a) const
    {
        a.args = args;
        a.count = PyTuple_GET_SIZE(args);
        if (m_convention != Convention::PositionalAndKeywords) // keywords are ignored
            return unpackPositional(args, m_site.shortName.c_str(), m_least, m_most, a.given.data());
        const Py_ssize_t keywordCount = keywords ? PyDict_Size(keywords) : 0;
        if (a.count < m_least) {
            raiseArgumentCount(m_site, m_least, a.count);
            return false;
        }
        if (countMost && a.count + keywordCount > m_most) {
            raiseArgumentCount(m_site, m_least, a.count + keywordCount);
            return false;
        }
        if (!unpackPositional(args, m_site.shortName.c_str(), 0, m_most, a.given.data()))
            return false;
        a.keywords = keywords;
        return true;
    }

    PyObject* call(PyObject* self, Arguments& a) const
    {
        Self* cppSelf = nullptr;
        if constexpr (withSelf) {
            if (!Shiboken::Object::isValid(self))
                return nullptr;
            cppSelf = reinterpret_cast<Self*>(
                Shiboken::Conversions::cppPointer(pyType<Self>(), reinterpret_cast<SbkObject*>(self)));
        }
        if (PyErr_Occurred())
            return nullptr;
        PyObject* result = nullptr;
        choose(a, [&](const auto& chosen) { result = chosen.template invoke<withSelf>(m_site, cppSelf, a); });
        return result;
    }

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
            raiseWrongArguments(a.args, m_site);
        return chosen;
    }

    CallSite m_site;
    std::tuple<Overloads...> m_overloads;
    Convention m_convention = Convention::NoArguments;
    int m_most = 0;
    int m_least = 0;
};

// --- Method table entries ---------------------------------------------------

template <const auto& F>
PyObject* noArgumentsEntry(PyObject* self, PyObject*)
{
    return F.callNoArguments(self);
}
template <const auto& F>
PyObject* oneArgumentEntry(PyObject* self, PyObject* argument)
{
    return F.callOneArgument(self, argument);
}
template <const auto& F>
PyObject* argumentsEntry(PyObject* self, PyObject* args)
{
    return F.callWithArguments(self, args, nullptr);
}
template <const auto& F>
PyObject* keywordsEntry(PyObject* self, PyObject* args, PyObject* keywords)
{
    return F.callWithArguments(self, args, keywords);
}

// Python's method table stores every entry point as PyCFunction; the real
// signature follows from the calling-convention flags.
template <typename Entry>
PyCFunction asMethodEntry(Entry entry)
{
    return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(entry));
}

// The method-table row of a bound function; static for functions without self.
template <const auto& F>
PyMethodDef def(int extraFlags = 0)
{
    const char* name = F.site().shortName.c_str();
    switch (F.convention()) {
    case Convention::NoArguments:
        return {name, asMethodEntry(&noArgumentsEntry<F>), METH_NOARGS | extraFlags, nullptr};
    case Convention::OneArgument:
        return {name, asMethodEntry(&oneArgumentEntry<F>), METH_O | extraFlags, nullptr};
    case Convention::Positional:
        return {name, asMethodEntry(&argumentsEntry<F>), METH_VARARGS | extraFlags, nullptr};
    case Convention::PositionalAndKeywords:
        break;
    }
    return {name, asMethodEntry(&keywordsEntry<F>), METH_VARARGS | METH_KEYWORDS | extraFlags, nullptr};
}

template <const auto& F>
PyMethodDef defStatic()
{
    return def<F>(METH_STATIC);
}

} // namespace Binding
