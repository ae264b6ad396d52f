#pragma once

// How C++ values cross into Python and back.
//
// Every C++ type that a bound function takes or returns falls in one of four
// kinds, each with one way of conversion:
//   - bound classes (View, Project...): listed in a module's type list, which
//     specialises Bound<T>; value results are copied into new Python objects,
//     pointer results keep the identity of their Python object;
//   - bound enumerations: members of the enumeration's Python type only;
//   - numbers and bool: converted here, with a clear OverflowError when a
//     value does not fit;
//   - everything else: a converter of the runtime found by its registered
//     name (Qt classes, the module's own value and container conversions).
//
// TypeText<T> gives the type's name as signature texts write it.

#include "Lifetimes.h"

#include <basewrapper.h>
#include <autodecref.h>
#include <sbkconverter.h>
#include <sbkenum.h>

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <limits>
#include <string>
#include <type_traits>
#include <utility>

namespace Binding {

struct Module;

// Describes a bound class or enumeration. The module's type list declares it
// (BINDING_MODULE); the module's start-up fills it before any type exists.
template <typename T>
struct Bound
{
    static constexpr bool isBound = false;
};

template <typename T>
struct BoundDescription
{
    static constexpr bool isBound = true;
    static inline PyTypeObject* type = nullptr;
    static inline const Module* module = nullptr;
    static inline const char* name = nullptr; // "View"
    static inline int slot = -1;              // in the module's type table

    static void describe(const Module* owner, const char* typeName, int typeSlot)
    {
        module = owner;
        name = typeName;
        slot = typeSlot;
    }
};

template <typename T>
constexpr bool isBound = Bound<std::remove_cv_t<T>>::isBound;
template <typename T>
constexpr bool isBoundClass = isBound<T> && std::is_class<T>::value;
template <typename T>
constexpr bool isBoundEnum = isBound<T> && std::is_enum<T>::value;

template <typename T>
PyTypeObject* pyType()
{
    return Bound<std::remove_cv_t<T>>::type;
}

template <typename T>
SbkObjectType* sbkType()
{
    return reinterpret_cast<SbkObjectType*>(pyType<T>());
}

// "plinx.project.View"
std::string qualifiedTypeName(const Module* module, const char* name);

template <typename T>
std::string boundQualifiedName()
{
    using B = Bound<std::remove_cv_t<T>>;
    return qualifiedTypeName(B::module, B::name);
}

// The name under which the runtime knows the converter of T.
template <typename T>
struct ConverterName;

// The C++ object of a Python object, seen as T (bases at an offset included).
template <typename T>
T* cppPointer(PyObject* object)
{
    return reinterpret_cast<T*>(
        Shiboken::Conversions::cppPointer(pyType<T>(), reinterpret_cast<SbkObject*>(object)));
}

// The same for the object a method is called on, which is most often of
// exactly the bound type: then no cast is needed.
template <typename T>
T* selfPointer(PyObject* self)
{
    if (Py_TYPE(self) == pyType<T>())
        return reinterpret_cast<T*>(Shiboken::Object::cppPointer(reinterpret_cast<SbkObject*>(self), pyType<T>()));
    return cppPointer<T>(self);
}

// --- Conversions by kind -------------------------------------------------------

template <typename T>
struct RuntimeConversion
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

template <typename T, typename = void>
struct Conversion : RuntimeConversion<T>
{
};

namespace detail {
// Numbers: the runtime's primitive converters let complex numbers through
// and leave an OverflowError without text; these do neither.
bool convertsToInteger(PyObject* object);
bool convertsToFloat(PyObject* object);
bool convertsToBool(PyObject* object);
bool toInteger(PyObject* object, long long least, unsigned long long most, const char* typeName, void* out,
               void (*store)(void*, long long, unsigned long long, bool));
bool toDouble(PyObject* object, double& out);
bool toBool(PyObject* object, bool& out);
void raiseOutOfRange(PyObject* object, const char* typeName);
// A str as the caller gave it, or ValueError "embedded null character"
// (UnicodeEncodeError for a lone surrogate): the runtime's conversion would
// end the text at a NUL and turn a surrogate into '?', and the core would
// go on with another text than the caller's.
void textToCpp(PyObject* object, void* out);

template <typename T>
void storeInteger(void* out, long long value, unsigned long long unsignedValue, bool isUnsigned)
{
    *static_cast<T*>(out) = isUnsigned ? T(unsignedValue) : T(value);
}
} // namespace detail

template <typename T>
struct ArithmeticName;
#define BINDING_ARITHMETIC_NAME(Type, text)                                                                         \
    template <>                                                                                                     \
    struct ArithmeticName<Type>                                                                                     \
    {                                                                                                               \
        static constexpr const char* value = text;                                                                  \
    }
BINDING_ARITHMETIC_NAME(bool, "bool");
BINDING_ARITHMETIC_NAME(char, "char");
BINDING_ARITHMETIC_NAME(signed char, "signed char");
BINDING_ARITHMETIC_NAME(unsigned char, "unsigned char");
BINDING_ARITHMETIC_NAME(short, "short");
BINDING_ARITHMETIC_NAME(unsigned short, "unsigned short");
BINDING_ARITHMETIC_NAME(int, "int");
BINDING_ARITHMETIC_NAME(unsigned int, "unsigned int");
BINDING_ARITHMETIC_NAME(long, "long");
BINDING_ARITHMETIC_NAME(unsigned long, "unsigned long");
BINDING_ARITHMETIC_NAME(long long, "long long");
BINDING_ARITHMETIC_NAME(unsigned long long, "unsigned long long");
BINDING_ARITHMETIC_NAME(float, "float");
BINDING_ARITHMETIC_NAME(double, "double");
#undef BINDING_ARITHMETIC_NAME

template <typename T>
struct Conversion<T, std::enable_if_t<std::is_arithmetic<T>::value>>
{
    static void toCpp(PyObject* object, void* out)
    {
        if constexpr (std::is_same<T, bool>::value) {
            detail::toBool(object, *static_cast<bool*>(out));
        } else if constexpr (std::is_floating_point<T>::value) {
            double value = 0;
            if (detail::toDouble(object, value))
                *static_cast<T*>(out) = T(value);
        } else {
            detail::toInteger(object, (long long)(std::numeric_limits<T>::min()),
                              (unsigned long long)(std::numeric_limits<T>::max()), ArithmeticName<T>::value, out,
                              &detail::storeInteger<T>);
        }
    }
    static PythonToCppFunc check(PyObject* object)
    {
        bool ok;
        if constexpr (std::is_same<T, bool>::value)
            ok = detail::convertsToBool(object);
        else if constexpr (std::is_floating_point<T>::value)
            ok = detail::convertsToFloat(object);
        else
            ok = detail::convertsToInteger(object);
        return ok ? &toCpp : nullptr;
    }
    static PyObject* toPython(const T& value)
    {
        if constexpr (std::is_same<T, bool>::value)
            return PyBool_FromLong(value);
        else if constexpr (std::is_floating_point<T>::value)
            return PyFloat_FromDouble(double(value));
        else if constexpr (std::is_signed<T>::value)
            return PyLong_FromLongLong((long long)value);
        else
            return PyLong_FromUnsignedLongLong((unsigned long long)value);
    }
};

template <>
struct Conversion<QString> : RuntimeConversion<QString>
{
    static PythonToCppFunc check(PyObject* object)
    {
        return PyUnicode_Check(object) ? &detail::textToCpp : RuntimeConversion<QString>::check(object);
    }
};

template <typename T>
struct Conversion<T, std::enable_if_t<isBoundEnum<T>>>
{
    static_assert(sizeof(T) == sizeof(int), "bound enumerations travel as 32-bit values");
    static SbkConverter* converter() { return Shiboken::Enum::getTypeConverter(pyType<T>()); }
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
// says whether (and how) it converts, convert() stores it (false with a
// Python error set when it cannot), get() passes it on.

// A value converted by its kind's conversion.
template <typename P>
struct ValueArg
{
    using T = std::decay_t<P>;
    static PythonToCppFunc check(PyObject* object) { return Conversion<T>::check(object); }
    bool convert(PythonToCppFunc toCpp, PyObject* object)
    {
        toCpp(object, &value);
        return !PyErr_Occurred();
    }
    template <typename D>
    void setDefault(const D& fallback)
    {
        value = evaluateDefault(fallback);
    }
    P get() { return static_cast<P>(value); }

    T value{};
};

template <typename P, typename = void>
struct Arg : ValueArg<P>
{
};

namespace detail {
// The local value that an implicit conversion or a default is built into;
// classes that are never copied (QObject classes) have none.
template <typename T, typename = void>
struct LocalValue
{
    static constexpr bool exists = false;
    T* address() { return nullptr; }
};
template <typename T>
struct LocalValue<T, std::enable_if_t<std::is_default_constructible<T>::value && std::is_copy_constructible<T>::value>>
{
    static constexpr bool exists = true;
    T value{};
    T* address() { return &value; }
};
} // namespace detail

// A bound class taken by value or reference: an instance is used in place,
// anything that converts implicitly (a number for a View) is built into a local.
template <typename P>
struct Arg<P, std::enable_if_t<!std::is_pointer<P>::value && isBoundClass<std::decay_t<P>>>>
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
        if (Shiboken::Conversions::isImplicitConversion(sbkType<T>(), toCpp)) {
            if (!local.address())
                return false;
            toCpp(object, local.address());
            return !PyErr_Occurred();
        }
        toCpp(object, &target);
        return !PyErr_Occurred() && hold.take(object, target, lockKept);
    }
    template <typename D>
    void setDefault(const D& fallback)
    {
        static_assert(detail::LocalValue<T>::exists, "a default needs a class that can be copied");
        local.value = evaluateDefault(fallback);
    }
    P get() { return static_cast<P>(*target); }

    bool stillValid() const { return hold.stillValid(); }

    detail::LocalValue<T> local;
    T* target = local.address();
    detail::CallHold<T> hold; // an object given for the call lives through it
    bool lockKept = false;    // the call keeps the interpreter lock throughout (see CallHold)
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
        if (object != Py_None && !Shiboken::Object::isValid(object))
            return false;
        toCpp(object, &pointer);
        if constexpr (std::is_same<T, QObject>::value)
            pysideObject = pointer && !detail::isOfFrameType(object);
        return !PyErr_Occurred() && hold.take(object, pointer, lockKept);
    }
    template <typename D>
    void setDefault(const D& fallback)
    {
        pointer = evaluateDefault(fallback);
    }
    U* get() { return pointer; }
    // A QObject of PySide2's classes: Qt may call its virtual functions
    // (metaObject), which PySide2 runs only under the interpreter lock.
    bool needsInterpreterLock() const { return pysideObject; }
    bool stillValid() const { return hold.stillValid(); }

    T* pointer = nullptr;
    detail::CallHold<T> hold; // an object given for the call lives through it
    bool lockKept = false;    // the call keeps the interpreter lock throughout (see CallHold)
    bool pysideObject = false;
};

// The most elements a Qt container of elements of this size can hold: a
// longer sequence cannot be allocated.
constexpr Py_ssize_t qtContainerCapacity(std::size_t elementSize)
{
    return Py_ssize_t((std::numeric_limits<int>::max() - 64) / (elementSize > sizeof(void*) ? elementSize : sizeof(void*)));
}

// Raises MemoryError for a sequence whose length (or length hint) a Qt
// container cannot hold; true when it fits. False with the error of
// len() when that raised.
bool fitsQtContainer(PyObject* sequence, Py_ssize_t capacity);

// Arguments that PySide2's converters take apart by iterating them (a
// QStringList, a QVariant made of lists): those survive neither an iteration
// that raises nor a length that cannot be allocated. The frame iterates first
// and hands them plain lists and tuples that it made: the iteration's error
// is raised, and a length that cannot be allocated is a MemoryError.
template <typename T>
struct IteratedByRuntime
{
    static constexpr bool value = false;
};
// A new reference to the object's plain form; null with the error set.
PyObject* plainStringList(PyObject* object);
PyObject* plainVariant(PyObject* object);
template <>
struct IteratedByRuntime<QStringList>
{
    static constexpr bool value = true;
    static PyObject* plain(PyObject* object) { return plainStringList(object); }
};
template <>
struct IteratedByRuntime<QVariant>
{
    static constexpr bool value = true;
    static PyObject* plain(PyObject* object) { return plainVariant(object); }
};

template <typename P>
struct Arg<P, std::enable_if_t<IteratedByRuntime<std::decay_t<P>>::value>> : ValueArg<P>
{
    using T = std::decay_t<P>;
    bool convert(PythonToCppFunc, PyObject* object)
    {
        Shiboken::AutoDecRef plain(IteratedByRuntime<T>::plain(object));
        if (plain.isNull())
            return false;
        PythonToCppFunc toCpp = Conversion<T>::check(plain);
        if (!toCpp) {
            if (!PyErr_Occurred())
                PyErr_Format(PyExc_TypeError, "a %s changed while it was being converted", Py_TYPE(object)->tp_name);
            return false;
        }
        return ValueArg<P>::convert(toCpp, plain);
    }
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
    void setDefault(const D& fallback)
    {
        value = evaluateDefault(fallback);
    }
    PyObject* get() { return value; }

    PyObject* value = nullptr;
};

// A parameter declared as a type object takes type objects only (a class,
// not an instance of it); its signature text is "PyTypeObject".
template <>
struct Arg<PyTypeObject*>
{
    static PythonToCppFunc check(PyObject* object) { return PyType_Check(object) ? &passThrough : nullptr; }
    bool convert(PythonToCppFunc, PyObject* object)
    {
        value = reinterpret_cast<PyTypeObject*>(object);
        return true;
    }
    template <typename D>
    void setDefault(const D& fallback)
    {
        value = evaluateDefault(fallback);
    }
    PyTypeObject* get() { return value; }

    PyTypeObject* value = nullptr;
};

// Python objects that cross a bound function as they are; such a function
// keeps the interpreter lock.
template <typename P>
constexpr bool isPythonObject =
    std::is_same<std::decay_t<P>, PyObject*>::value || std::is_same<std::decay_t<P>, PyTypeObject*>::value;

// --- Results ---------------------------------------------------------------

// What becomes of the C++ object behind a pointer result.
enum class Ownership
{
    Unchanged, // the existing Python object, or a new one that does not own it
    ToPython,  // Python deletes the object with its Python object
    ToCpp,     // the C++ side keeps it, whoever made the Python object
    Lent,      // the core keeps it for good and lends it: Python cannot destroy it
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
            else if (ownership == Ownership::ToCpp || ownership == Ownership::Lent)
                Shiboken::Object::releaseOwnership(object);
        }
        return object;
    } else if constexpr (std::is_same<T, PyObject*>::value) {
        return result; // already a new reference
    } else if constexpr (isBoundClass<T>) {
        return Shiboken::Conversions::copyToPython(sbkType<T>(), &result);
    } else {
        return Conversion<T>::toPython(result);
    }
}

// --- Names in signature texts ------------------------------------------------------
// Parameters are written with their native type names ("QString",
// "unsigned int", "QVector") or the qualified Python names of bound types
// ("plinx.project.View"); a result of a list type is written as its element.

// "QVector<Layer>" gives "QVector"; "const QVector<View>&" gives "QVector".
std::string templateName(const char* converterName);
// The qualified name of the Python type that a Qt class converter produces.
std::string qtClassText(PyTypeObject* type, const char* fallback);

template <typename T, typename = void>
struct TypeText
{
    static std::string parameter() { return templateName(ConverterName<T>::value); }
    static std::string result() { return parameter(); }
};

template <typename T>
struct TypeText<T, std::enable_if_t<std::is_arithmetic<T>::value>>
{
    static std::string parameter() { return ArithmeticName<T>::value; }
    static std::string result() { return parameter(); }
};

template <typename T>
struct TypeText<T, std::enable_if_t<isBound<T>>>
{
    static std::string parameter() { return boundQualifiedName<T>(); }
    static std::string result() { return parameter(); }
};

template <>
struct TypeText<PyObject*>
{
    static std::string parameter() { return "PyObject"; }
    static std::string result() { return parameter(); }
};

template <>
struct TypeText<PyTypeObject*>
{
    static std::string parameter() { return "PyTypeObject"; }
    static std::string result() { return parameter(); }
};

template <typename T>
struct TypeText<T*, std::enable_if_t<std::is_class<T>::value && !isBound<T>>>
{
    static std::string parameter()
    {
        return qtClassText(Conversion<std::remove_const_t<T>>::pythonType(), ConverterName<std::remove_const_t<T>>::value);
    }
    static std::string result() { return parameter(); }
};

template <typename T>
struct TypeText<T*, std::enable_if_t<isBound<T>>> : TypeText<std::remove_const_t<T>>
{
};

template <typename T>
struct ListText
{
    static std::string parameter() { return templateName(ConverterName<T>::value); }
    static std::string result() { return TypeText<typename T::value_type>::result(); }
};

template <typename T>
std::string parameterText()
{
    return TypeText<std::remove_cv_t<std::remove_reference_t<T>>>::parameter();
}

template <typename T>
std::string resultText()
{
    if constexpr (std::is_void<T>::value)
        return std::string();
    else
        return TypeText<std::remove_cv_t<std::remove_reference_t<T>>>::result();
}

} // namespace Binding

// Names the runtime converter of a C++ type.
#define BINDING_CONVERTER_NAME(Type, name)                                                                          \
    template <>                                                                                                     \
    struct Binding::ConverterName<Type>                                                                             \
    {                                                                                                               \
        static constexpr const char* value = name;                                                                  \
    }

// A list type whose results are written as their element in signature texts.
#define BINDING_LIST_CONVERTER_NAME(Type, name)                                                                     \
    BINDING_CONVERTER_NAME(Type, name);                                                                             \
    template <>                                                                                                     \
    struct Binding::TypeText<Type> : Binding::ListText<Type>                                                        \
    {                                                                                                               \
    }

BINDING_CONVERTER_NAME(QString, "QString");
BINDING_CONVERTER_NAME(QStringList, "QStringList");
BINDING_CONVERTER_NAME(QVariant, "QVariant");
BINDING_CONVERTER_NAME(QByteArray, "QByteArray");
BINDING_CONVERTER_NAME(QSize, "QSize");
