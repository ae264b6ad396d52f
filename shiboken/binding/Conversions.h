#pragma once

// How C++ values cross into Python and back.
//
// Every C++ type that a bound function takes or returns falls in one of four
// kinds, each with one way of conversion:
//   - bound value classes (View, StreamInfo...): copied into new Python
//     objects; arguments used in place or built by an implicit conversion;
//   - bound object classes (Project, Clip...): passed by pointer, keeping the
//     identity of their Python object;
//   - bound enumerations: members of the enumeration's Python type only;
//   - everything else: a converter of the runtime found by its registered
//     name (Qt classes, the module's own value and container conversions) or
//     the runtime's primitive converter (bool, int, float...).

#include <basewrapper.h>
#include <autodecref.h>
#include <sbkconverter.h>
#include <sbkenum.h>

#include <type_traits>
#include <utility>

namespace Binding {

enum class Kind
{
    Converted,
    Value,
    Object,
    Enumeration,
};

// Describes a C++ type to the frame. Specialised for bound types by the
// BINDING_*_TYPE macros and for named conversions by BINDING_CONVERTER_NAME.
template <typename T>
struct Bound
{
    static constexpr Kind kind = Kind::Converted;
};

template <typename T>
constexpr bool isBoundClass = Bound<T>::kind == Kind::Value || Bound<T>::kind == Kind::Object;

template <typename T>
SbkObjectType* sbkType()
{
    return reinterpret_cast<SbkObjectType*>(Bound<T>::type);
}

template <typename T>
PyTypeObject* pyType()
{
    return Bound<T>::type;
}

// The name under which the runtime knows the converter of T.
template <typename T>
struct ConverterName;

template <typename T, typename = void>
struct Conversion
{
    static SbkConverter* converter()
    {
        static SbkConverter* const found = Shiboken::Conversions::getConverter(ConverterName<T>::value);
        return found;
    }
    static PythonToCppFunc check(PyObject* object)
    {
        SbkConverter* c = converter();
        return c ? Shiboken::Conversions::isPythonToCppConvertible(c, object) : nullptr;
    }
    static PyObject* toPython(const T& value)
    {
        return Shiboken::Conversions::copyToPython(converter(), &value);
    }
    static PyTypeObject* pythonType() { return Shiboken::Conversions::getPythonTypeObject(converter()); }
};

template <typename T>
struct Conversion<T, std::enable_if_t<std::is_arithmetic<T>::value>>
{
    static SbkConverter* converter() { return Shiboken::Conversions::PrimitiveTypeConverter<T>(); }
    static PythonToCppFunc check(PyObject* object)
    {
        return Shiboken::Conversions::isPythonToCppConvertible(converter(), object);
    }
    static PyObject* toPython(const T& value) { return Shiboken::Conversions::copyToPython(converter(), &value); }
};

template <typename T>
struct Conversion<T, std::enable_if_t<Bound<T>::kind == Kind::Enumeration>>
{
    static_assert(sizeof(T) == sizeof(int), "bound enumerations travel as 32-bit values");
    static SbkConverter* converter() { return Shiboken::Enum::getTypeConverter(Bound<T>::type); }
    static PythonToCppFunc check(PyObject* object)
    {
        return Shiboken::Conversions::isPythonToCppConvertible(converter(), object);
    }
    static PyObject* toPython(const T& value) { return Shiboken::Conversions::copyToPython(converter(), &value); }
};

// Evaluates a default: a callable is called at each use (View(), a translated
// text), any other value is taken as it is.
template <typename D>
decltype(auto) evaluateDefault(const D& fallback)
{
    if constexpr (std::is_invocable<const D&>::value)
        return fallback();
    else
        return (fallback);
}

// --- Arguments -------------------------------------------------------------
// Arg<P> takes one Python argument for a parameter declared as P: check()
// says whether (and how) it converts, convert() stores it, get() passes it on.

template <typename P, typename = void>
struct Arg
{
    using T = std::decay_t<P>;
    static PythonToCppFunc check(PyObject* object) { return Conversion<T>::check(object); }
    bool convert(PythonToCppFunc toCpp, PyObject* object)
    {
        toCpp(object, &value);
        return true;
    }
    template <typename D>
    void setDefault(const D& fallback) { value = evaluateDefault(fallback); }
    P get() { return static_cast<P>(value); }

    T value{};
};

// A bound value class: an instance is used in place, anything that converts
// implicitly (a number for a View) is built into a local.
template <typename P>
struct Arg<P, std::enable_if_t<!std::is_pointer<P>::value && Bound<std::decay_t<P>>::kind == Kind::Value>>
{
    using T = std::decay_t<P>;
    static PythonToCppFunc check(PyObject* object)
    {
        return Shiboken::Conversions::isPythonToCppReferenceConvertible(sbkType<T>(), object);
    }
    bool convert(PythonToCppFunc toCpp, PyObject* object)
    {
        if (!Shiboken::Object::isValid(object))
            return false;
        if (Shiboken::Conversions::isImplicitConversion(sbkType<T>(), toCpp))
            toCpp(object, &local);
        else
            toCpp(object, &target);
        return true;
    }
    template <typename D>
    void setDefault(const D& fallback) { local = evaluateDefault(fallback); }
    P get() { return static_cast<P>(*target); }

    T local{};
    T* target = &local;
};

// The runtime's type of a class that crosses by pointer: a bound class of
// this library or a Qt class of PySide2.
template <typename U>
SbkObjectType* pointerType()
{
    if constexpr (isBoundClass<U>)
        return sbkType<U>();
    else
        return reinterpret_cast<SbkObjectType*>(Conversion<U>::pythonType());
}

// A pointer to a class: an instance gives its C++ object, None gives null.
template <typename U>
struct Arg<U*, std::enable_if_t<std::is_class<U>::value && !std::is_same<std::remove_const_t<U>, PyObject>::value>>
{
    using T = std::remove_const_t<U>;
    static PythonToCppFunc check(PyObject* object)
    {
        return Shiboken::Conversions::isPythonToCppPointerConvertible(pointerType<T>(), object);
    }
    bool convert(PythonToCppFunc toCpp, PyObject* object)
    {
        if (!Shiboken::Object::isValid(object))
            return false;
        toCpp(object, &pointer);
        return true;
    }
    template <typename D>
    void setDefault(const D& fallback) { pointer = evaluateDefault(fallback); }
    U* get() { return pointer; }

    T* pointer = nullptr;
};

// A parameter declared as a Python object takes anything, unchanged.
void passThrough(PyObject*, void*);

template <>
struct Arg<PyObject*>
{
    static PythonToCppFunc check(PyObject*) { return &passThrough; }
    bool convert(PythonToCppFunc, PyObject* object)
    {
        value = object;
        return true;
    }
    template <typename D>
    void setDefault(const D& fallback) { value = evaluateDefault(fallback); }
    PyObject* get() { return value; }

    PyObject* value = nullptr;
};

// --- Results ---------------------------------------------------------------

// What becomes of the C++ object behind a pointer result.
enum class Ownership
{
    Unchanged,   // the existing Python object, or a new one that does not own it
    ToPython,    // Python deletes the object with its Python object
    ToCpp,       // the C++ side keeps it, whoever made the Python object
};

template <typename R>
PyObject* toPython(const R& result, Ownership ownership = Ownership::Unchanged)
{
    using T = std::decay_t<R>;
    if constexpr (std::is_pointer<T>::value && std::is_class<std::remove_pointer_t<T>>::value
                  && !std::is_same<T, PyObject*>::value) {
        using U = std::remove_const_t<std::remove_pointer_t<T>>;
        PyObject* object = Shiboken::Conversions::pointerToPython(pointerType<U>(), result);
        if (object && result) {
            if (ownership == Ownership::ToPython)
                Shiboken::Object::getOwnership(object);
            else if (ownership == Ownership::ToCpp)
                Shiboken::Object::releaseOwnership(object);
        }
        return object;
    } else if constexpr (std::is_same<T, PyObject*>::value) {
        return result; // already a new reference
    } else if constexpr (Bound<T>::kind == Kind::Value) {
        return Shiboken::Conversions::copyToPython(sbkType<T>(), &result);
    } else {
        return Conversion<T>::toPython(result);
    }
}

} // namespace Binding

// Declares a C++ type as bound to a Python type of this library.
#define BINDING_BOUND_TYPE(Type, boundKind)                              \
    template <>                                                          \
    struct Binding::Bound<Type>                                          \
    {                                                                    \
        static constexpr Binding::Kind kind = Binding::Kind::boundKind;  \
        static inline PyTypeObject* type = nullptr;                      \
    }

// A bound value class: copied across the boundary.
#define BINDING_VALUE_TYPE(Class) BINDING_BOUND_TYPE(Class, Value)
// A bound object class: passed by pointer.
#define BINDING_OBJECT_TYPE(Class) BINDING_BOUND_TYPE(Class, Object)
// A bound enumeration.
#define BINDING_ENUM_TYPE(Enum) BINDING_BOUND_TYPE(Enum, Enumeration)

// Names the runtime converter of a C++ type.
#define BINDING_CONVERTER_NAME(Type, name)                               \
    template <>                                                          \
    struct Binding::ConverterName<Type>                                  \
    {                                                                    \
        static constexpr const char* value = name;                       \
    }
