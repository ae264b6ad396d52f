#pragma once

// One Python module of the package plinx, as the binding frame sees it: its
// type table, its converter table and its exception hook.
//
// A module header lists the module's types and conversions once:
//
//     #define PLINX_PROJECT_TYPES(type, namespace_) 
//         type(View)                                
//         type(StreamInfo)
//     #define PLINX_PROJECT_CONVERSIONS(conversion) 
//         conversion(Color, "Color")
//     BINDING_MODULE(plinx_project, "plinx.project", PLINX_PROJECT_TYPES, PLINX_PROJECT_CONVERSIONS)
//
// Types are listed in the order the module introduces them; the compiler
// numbers their slots of the type table in ASCII order of their names, and
// the conversions' slots in list order. Each `type(Name)` is the C++ class or
// enumeration ::Name, bound to the Python type of the same name and
// introduced by `void init_Name(PyObject* module)`; each `namespace_(Name)`
// is a namespace type without C++ counterpart, introduced the same way.

#include "Conversions.h"

#include <sbkpython.h>

#include <exception>
#include <string>
#include <vector>

struct SbkConverter;

namespace Binding {

using ExceptionHook = void (*)(const std::exception&);

class FunctionBase;

struct Module
{
    const char* qualifiedName; // "plinx.project"
    PyTypeObject** types = nullptr;
    SbkConverter** converters = nullptr;
    ExceptionHook setPythonError = nullptr;
    const char* const* typeNames = nullptr; // in list order
    int typeCount = 0;
    const char* const* converterNames = nullptr; // in slot order
    int converterCount = 0;

    // Sets the Python error for an exception thrown by an API call.
    void raise(const std::exception& error) const;
    // Sets the Python error for a thrown object that is no std::exception.
    static void raiseUnknown();

    // Imports a binding module (PySide2.QtCore, plinx.project...). On failure
    // (a blocked import included: None in sys.modules) the import error
    // stays pending and false is returned.
    static bool importBindingModule(const char* name);

    // The slot of a listed type, by name; -1 when the name is not listed.
    int slotOf(const char* typeName) const;
    // Puts a type into its slot, once.
    void fillType(int slot, PyTypeObject* type) const;
    // Puts a conversion into its slot, once.
    void fillConverter(int slot, SbkConverter* converter) const;

    // Creates the module object with its functions.
    PyObject* create(const char* shortName, const std::vector<const FunctionBase*>& functions) const;

    // Publishes the tables and the functions' signatures; stops the process
    // when start-up left an error (or, in debug builds, a slot empty).
    PyObject* finish(PyObject* module, const char* fatalText) const;
};

// The exception translator that every module installs as its hook: the
// Python exception class is chosen by the exact name of the exception's class.
void translateException(const std::exception& error);

namespace detail {

constexpr int compareNames(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return int(static_cast<unsigned char>(*a)) - int(static_cast<unsigned char>(*b));
}

// The slot of names[index] when the names are sorted in ASCII order.
constexpr int asciiRank(const char* const* names, int count, int index)
{
    int rank = 0;
    for (int i = 0; i < count; ++i)
        rank += compareNames(names[i], names[index]) < 0 ? 1 : 0;
    return rank;
}

constexpr bool allDistinct(const char* const* names, int count)
{
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (compareNames(names[i], names[j]) == 0)
                return false;
    return true;
}

} // namespace detail
} // namespace Binding

#define BINDING_DETAIL_ENUMERATOR(Name) Name,
#define BINDING_DETAIL_NAME(Name) #Name,
#define BINDING_DETAIL_SKIP(Name)
#define BINDING_DETAIL_CONVERTER_ENUMERATOR(Name, text) Name,
#define BINDING_DETAIL_CONVERTER_NAME(Name, text) text,
#define BINDING_DETAIL_BOUND(Name)                                                                                  \
    template <>                                                                                                     \
    struct Binding::Bound<::Name> : Binding::BoundDescription<::Name>                                               \
    {                                                                                                               \
    };
#define BINDING_DETAIL_DESCRIBE(Name) ::Binding::Bound<::Name>::describe(&module, #Name, slotOf(Type::Name));
#define BINDING_DETAIL_INIT_DECLARATION(Name) void init_##Name(PyObject* module);
#define BINDING_DETAIL_INIT_CALL(Name) ::init_##Name(pythonModule);

// Declares a module's tables from its lists (see the top of this file).
#define BINDING_MODULE(Id, qualified, TYPES, CONVERSIONS)                                                           \
    TYPES(BINDING_DETAIL_BOUND, BINDING_DETAIL_SKIP)                                                                \
    TYPES(BINDING_DETAIL_INIT_DECLARATION, BINDING_DETAIL_INIT_DECLARATION)                                         \
    namespace Id {                                                                                                  \
    enum class Type : int { TYPES(BINDING_DETAIL_ENUMERATOR, BINDING_DETAIL_ENUMERATOR) Count };                   \
    inline constexpr const char* typeNames[] = {TYPES(BINDING_DETAIL_NAME, BINDING_DETAIL_NAME) nullptr};           \
    inline constexpr int typeCount = int(Type::Count);                                                              \
    static_assert(::Binding::detail::allDistinct(typeNames, typeCount), "a type is listed twice");                  \
    constexpr int slotOf(Type type)                                                                                 \
    {                                                                                                               \
        return ::Binding::detail::asciiRank(typeNames, typeCount, int(type));                                       \
    }                                                                                                               \
    enum class Converter : int { CONVERSIONS(BINDING_DETAIL_CONVERTER_ENUMERATOR) Count };                         \
    inline constexpr const char* converterNames[] = {CONVERSIONS(BINDING_DETAIL_CONVERTER_NAME) nullptr};           \
    inline constexpr int converterCount = int(Converter::Count);                                                    \
    extern ::Binding::Module module;                                                                                \
    /* Tells every bound type its module, name and slot; first step of start-up. */                                \
    inline void describeTypes() { TYPES(BINDING_DETAIL_DESCRIBE, BINDING_DETAIL_SKIP) }                             \
    /* Introduces the types in list order. */                                                                       \
    inline void introduceTypes(PyObject* pythonModule)                                                              \
    {                                                                                                               \
        TYPES(BINDING_DETAIL_INIT_CALL, BINDING_DETAIL_INIT_CALL)                                                   \
    }                                                                                                               \
    inline constexpr const char qualifiedName[] = qualified;                                                        \
    }

// Defines a module's tables; in the module's start-up file.
#define BINDING_MODULE_STORAGE(Id)                                                                                  \
    namespace Id {                                                                                                  \
    PyTypeObject* typeTable[typeCount > 0 ? typeCount : 1];                                                         \
    SbkConverter* converterTable[converterCount > 0 ? converterCount : 1];                                          \
    ::Binding::Module module{qualifiedName, typeTable, converterTable, nullptr,                                     \
                             typeNames,     typeCount, converterNames, converterCount};                             \
    }
