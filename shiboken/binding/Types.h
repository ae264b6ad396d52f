#pragma once

// Bound types: wrapper classes, special slots, properties, type
// introduction, enumerations and the module's own conversions.
//
// A value class is declared as a table next to its API class:
//
//     namespace {
//     const Scope streamInfo(Sbkplinx_project_details::module, "StreamInfo");
//     const auto ctor = streamInfo.constructor(init<StreamInfoWrapper, const StreamInfo&>("StreamInfo"), ...);
//     const auto get_path = streamInfo.method("get_path", overload(&StreamInfo::get_path));
//     PyMethodDef methods[] = {def<get_path>(), ..., copyDef<StreamInfo>(), {}};
//     }
//     void init_StreamInfo(PyObject* module)
//     {
//         ValueClass<StreamInfo, StreamInfoWrapper>(Sbkplinx_project_details::module, SBK_STREAMINFO_IDX,
//                                                   "StreamInfo")
//             .constructor<ctor>().methods(methods).signatures(signatures)
//             .repr<&StreamInfo::__repr__>()
//             .properties({{"path", ReadWrite}, ...})
//             .introduce(module);
//     }

#include "Functions.h"

#include <bindingmanager.h>
#include <gilstate.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <initializer_list>
#include <string>
#include <typeinfo>
#include <vector>

BINDING_CONVERTER_NAME(QString, "QString");
BINDING_CONVERTER_NAME(QStringList, "QStringList");
BINDING_CONVERTER_NAME(QVariant, "QVariant");
BINDING_CONVERTER_NAME(QByteArray, "QByteArray");

namespace Binding {

// --- Wrapper classes ---------------------------------------------------------

// Makes the Python object of a C++ object that is being destroyed invalid.
// Safe from any thread; does nothing once the interpreter is gone.
void destroyBinding(const void* cppObject) noexcept;

// The class that Python constructs and that value results are copied into:
// its destructor invalidates the Python object before the API object dies.
template <typename T>
class Wrapper : public T
{
public:
    using T::T;
    Wrapper(const T& other) : T(other) {}
    ~Wrapper() override { destroyBinding(this); }
};

// --- Scopes: where functions are declared -----------------------------------

namespace detail {
template <typename O>
struct SelfOfOverload;
template <typename F, typename... P>
struct SelfOfOverload<Overload<F, P...>>
{
    using type = std::decay_t<std::tuple_element_t<0, typename Callable<F>::Args>>;
};
} // namespace detail

// The functions of one bound class (or namespace) of a module.
class Scope
{
public:
    Scope(const Module& module, const char* className)
        : m_module(&module), m_className(className), m_qualified(std::string(module.qualifiedName) + "." + className)
    {
    }

    const char* className() const { return m_className; }
    const std::string& qualifiedName() const { return m_qualified; }

    // A method: the first parameter of each overload's callable is the object.
    template <typename First, typename... Rest>
    auto method(const char* name, First first, Rest... rest) const
    {
        using Self = typename detail::SelfOfOverload<First>::type;
        return Function<Self, First, Rest...>(site(name), first, rest...);
    }

    // A static method of the class or namespace.
    template <typename... Overloads>
    auto staticMethod(const char* name, Overloads... overloads) const
    {
        return Function<void, Overloads...>(site(name), overloads...);
    }

    // The constructor: named by the class alone in every error text.
    template <typename... Overloads>
    auto constructor(Overloads... overloads) const
    {
        return Function<void, Overloads...>(CallSite{m_module, m_qualified, m_className}, overloads...);
    }

private:
    CallSite site(const char* name) const { return CallSite{m_module, m_qualified + "." + name, name}; }

    const Module* m_module;
    const char* m_className;
    std::string m_qualified;
};

// A module-level function.
template <typename... Overloads>
auto function(const Module& module, const char* name, Overloads... overloads)
{
    return Function<void, Overloads...>(CallSite{&module, std::string(module.qualifiedName) + "." + name, name},
                                        overloads...);
}

// --- Special slots ------------------------------------------------------------

namespace detail {

template <typename T>
T* cppSelf(PyObject* self)
{
    return reinterpret_cast<T*>(Shiboken::Conversions::cppPointer(pyType<T>(), reinterpret_cast<SbkObject*>(self)));
}

template <auto Text>
struct TextOf
{
    using Self = std::decay_t<std::tuple_element_t<0, typename Callable<decltype(Text)>::Args>>;
};

// Slots belong to no function's call site; their exceptions take the same
// translation that every module installs.
inline const Module& slotModule()
{
    static const Module module{"", nullptr, nullptr, &translateException};
    return module;
}

// Runs a slot's native part; exceptions become Python errors.
template <typename Body>
bool guarded(Body&& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& error) {
        translateException(error);
    } catch (...) {
        Module::raiseUnknown();
    }
    return false;
}

} // namespace detail

// __copy__: a new Python object owning a copy.
template <typename T>
PyObject* copySlot(PyObject* self, PyObject*)
{
    if (!Shiboken::Object::isValid(self))
        return nullptr;
    return Shiboken::Conversions::copyToPython(sbkType<T>(), detail::cppSelf<T>(self));
}

template <typename T>
PyMethodDef copyDef()
{
    return {"__copy__", &copySlot<T>, METH_NOARGS, nullptr};
}

// str and repr: a text operation of the API class, run without the lock.
template <auto Text>
PyObject* textSlot(PyObject* self)
{
    using T = typename detail::TextOf<Text>::Self;
    if (!Shiboken::Object::isValid(self))
        return nullptr;
    T* object = detail::cppSelf<T>(self);
    QString text;
    if (!detail::callWithoutLock(detail::slotModule(), [&] { text = std::invoke(Text, *object); }))
        return nullptr;
    return Conversion<QString>::toPython(text);
}

template <typename T>
Py_hash_t hashSlot(PyObject* self)
{
    if (!Shiboken::Object::isValid(self))
        return -1;
    Py_hash_t hash = -1;
    if (!detail::guarded([&] { hash = Py_hash_t(qHash(*detail::cppSelf<T>(self))); }))
        return -1;
    return hash == -1 ? -2 : hash;
}

// The comparison operators that an API class defines.
enum Comparison : unsigned
{
    Equal = 1u << Py_EQ,
    NotEqual = 1u << Py_NE,
    Less = 1u << Py_LT,
    LessEqual = 1u << Py_LE,
    Greater = 1u << Py_GT,
    GreaterEqual = 1u << Py_GE,
};

PyObject* raiseOperatorNotImplemented();

template <typename T, unsigned Ops>
PyObject* richCompareSlot(PyObject* self, PyObject* other, int op)
{
    if (!Shiboken::Object::isValid(self))
        return nullptr;
    if (!(Ops & (1u << op)))
        return raiseOperatorNotImplemented();
    PythonToCppFunc toCpp = Shiboken::Conversions::isPythonToCppReferenceConvertible(sbkType<T>(), other);
    if (!toCpp) {
        if (op == Py_EQ)
            Py_RETURN_FALSE;
        if (op == Py_NE)
            Py_RETURN_TRUE;
        return raiseOperatorNotImplemented();
    }
    if (!Shiboken::Object::isValid(other))
        return nullptr;
    Arg<const T&> operand;
    operand.convert(toCpp, other);
    const T& left = *detail::cppSelf<T>(self);
    bool result = false;
    const bool ok = detail::guarded([&] {
        const T& right = operand.get();
        if constexpr ((Ops & Equal) != 0)
            if (op == Py_EQ)
                result = left == right;
        if constexpr ((Ops & NotEqual) != 0)
            if (op == Py_NE)
                result = left != right;
        if constexpr ((Ops & Less) != 0)
            if (op == Py_LT)
                result = left < right;
        if constexpr ((Ops & LessEqual) != 0)
            if (op == Py_LE)
                result = left <= right;
        if constexpr ((Ops & Greater) != 0)
            if (op == Py_GT)
                result = left > right;
        if constexpr ((Ops & GreaterEqual) != 0)
            if (op == Py_GE)
                result = left >= right;
    });
    if (!ok)
        return nullptr;
    if (PyErr_Occurred())
        return raiseOperatorNotImplemented();
    return PyBool_FromLong(result);
}

// Constructor slot of a class that Python constructs.
enum ClassTraits : unsigned
{
    Plain = 0,
    Abstract = 1,   // only Python subclasses may be constructed
    QObjectClass = 2, // arguments are not counted against the maximum
};

bool refuseAbstract(PyObject* self, PyTypeObject* bound, const char* className);
bool bindNewObject(PyObject* self, PyTypeObject* bound, void* cppObject);

template <typename T, const auto& Ctor, unsigned Traits>
int initSlot(PyObject* self, PyObject* args, PyObject* keywords)
{
    PyTypeObject* bound = pyType<T>();
    if (Shiboken::Object::isUserType(self) && !Shiboken::ObjectType::canCallConstructor(Py_TYPE(self), bound))
        return -1;
    if ((Traits & Abstract) && refuseAbstract(self, bound, Ctor.site().shortName.c_str()))
        return -1;
    if ((Traits & QObjectClass) && Shiboken::Object::isUserType(self))
        Shiboken::ObjectType::copyMultipleInheritance(reinterpret_cast<SbkObjectType*>(Py_TYPE(self)),
                                                      sbkType<T>());
    T* made = Ctor.template construct<T>(args, keywords, !(Traits & QObjectClass));
    if (!made)
        return -1;
    if (PyErr_Occurred() || !bindNewObject(self, bound, made)) {
        delete made;
        return -1;
    }
    return 1;
}

// --- Type introduction ----------------------------------------------------------

enum PropertyAccess
{
    ReadOnly,
    ReadWrite,
};

struct Property
{
    const char* name;
    PropertyAccess access;
};

// Assembles one Python type and introduces it to the runtime and the module.
class TypeBuilder
{
public:
    TypeBuilder(Module& module, int index, const char* className);

    TypeBuilder& slot(int id, void* function);
    TypeBuilder& subclassable(bool yes);
    TypeBuilder& constructible(bool yes);
    TypeBuilder& methods(PyMethodDef* table);
    TypeBuilder& signatures(const char** lines);
    TypeBuilder& properties(std::initializer_list<Property> list);

    // Creates the type; null (with a Python error) when the runtime refuses.
    PyTypeObject* introduce(PyObject* module, const char* nativeName, ObjectDestructor destructor,
                            PyTypeObject* base);

    const char* className() const { return m_className; }

private:
    void foldProperties(PyTypeObject* type) const;

    Module& m_module;
    int m_index;
    const char* m_className;
    std::vector<PyType_Slot> m_slots;
    std::vector<Property> m_properties;
    const char** m_signatures = nullptr;
    bool m_subclassable = true;
    bool m_constructible = true;
};

// Registers the converter of a bound class under its names.
SbkConverter* registerClassConverter(PyTypeObject* type, const char* className, const std::type_info& apiType,
                                     const std::type_info& wrapperType, PythonToCppFunc toCppPointer,
                                     IsConvertibleToCppFunc isPointerConvertible, CppToPythonFunc pointerToPython,
                                     CppToPythonFunc copyToPython);

namespace detail {

template <typename T>
void pythonToCppPointer(PyObject* in, void* out)
{
    Shiboken::Conversions::pythonToCppPointer(sbkType<T>(), in, out);
}

template <typename T>
PythonToCppFunc isPointerConvertible(PyObject* in)
{
    if (in == Py_None)
        return Shiboken::Conversions::nonePythonToCppNullPtr;
    if (PyObject_TypeCheck(in, pyType<T>()))
        return &pythonToCppPointer<T>;
    return nullptr;
}

// The existing Python object of a C++ object, or a new one of the Python
// type of its run-time class, not owning it.
template <typename T>
PyObject* pointerToPython(const void* in)
{
    if (!in)
        Py_RETURN_NONE;
    if (SbkObject* existing = Shiboken::BindingManager::instance().retrieveWrapper(in)) {
        Py_INCREF(existing);
        return reinterpret_cast<PyObject*>(existing);
    }
    const char* typeName = typeid(*static_cast<const T*>(in)).name();
    return Shiboken::Object::newObject(sbkType<T>(), const_cast<void*>(in), false, false, typeName);
}

template <typename T, typename W>
PyObject* copyToPython(const void* in)
{
    return Shiboken::Object::newObject(sbkType<T>(), new W(*static_cast<const T*>(in)), true, true);
}

template <typename T>
void pythonToCppCopy(PyObject* in, void* out)
{
    *static_cast<T*>(out) = *cppSelf<T>(in);
}

template <typename T>
PythonToCppFunc isCopyConvertible(PyObject* in)
{
    return PyObject_TypeCheck(in, pyType<T>()) ? &pythonToCppCopy<T> : nullptr;
}

} // namespace detail

// Introduces a bound class and registers its converter; null when the
// runtime refuses the type.
template <typename T, typename W>
SbkConverter* introduceBoundClass(TypeBuilder& builder, PyObject* module, const char* nativeName,
                                  ObjectDestructor destructor, PyTypeObject* base, CppToPythonFunc copyToPython)
{
    PyTypeObject* type = builder.introduce(module, nativeName, destructor, base);
    if (!type)
        return nullptr;
    Bound<T>::type = type;
    return registerClassConverter(type, builder.className(), typeid(T), typeid(W), &detail::pythonToCppPointer<T>,
                                  &detail::isPointerConvertible<T>, &detail::pointerToPython<T>, copyToPython);
}

// What every class declaration offers: its constructor, its method table,
// the signature texts handed to the runtime, and the properties folded from
// get_/set_ pairs. `ConstructorTraits` are added to every constructor's own.
template <typename Derived, typename T, unsigned ConstructorTraits = Plain>
class ClassDeclaration
{
public:
    template <const auto& Ctor, unsigned Traits = Plain>
    Derived& constructor()
    {
        m_builder.slot(Py_tp_init, reinterpret_cast<void*>(&initSlot<T, Ctor, Traits | ConstructorTraits>));
        return self();
    }
    Derived& methods(PyMethodDef* table)
    {
        m_builder.methods(table);
        return self();
    }
    Derived& signatures(const char** lines)
    {
        m_builder.signatures(lines);
        return self();
    }
    Derived& properties(std::initializer_list<Property> list)
    {
        m_builder.properties(list);
        return self();
    }

protected:
    ClassDeclaration(Module& module, int index, const char* className) : m_builder(module, index, className)
    {
        m_builder.slot(Py_tp_new, reinterpret_cast<void*>(&SbkObjectTpNew));
    }
    Derived& self() { return static_cast<Derived&>(*this); }

    TypeBuilder m_builder;
};

// A value class: crosses the boundary by copy; Python objects own wrapper copies.
template <typename T, typename W = Wrapper<T>>
class ValueClass : public ClassDeclaration<ValueClass<T, W>, T>
{
    using Base = ClassDeclaration<ValueClass<T, W>, T>;
    using Base::m_builder;

public:
    ValueClass(Module& module, int index, const char* className) : Base(module, index, className) {}

    template <auto Text>
    ValueClass& repr()
    {
        m_builder.slot(Py_tp_repr, reinterpret_cast<void*>(&textSlot<Text>));
        return *this;
    }
    template <auto Text>
    ValueClass& str()
    {
        m_builder.slot(Py_tp_str, reinterpret_cast<void*>(&textSlot<Text>));
        return *this;
    }
    template <unsigned Ops>
    ValueClass& compare()
    {
        m_builder.slot(Py_tp_richcompare, reinterpret_cast<void*>(&richCompareSlot<T, Ops>));
        return *this;
    }
    ValueClass& hash()
    {
        m_builder.slot(Py_tp_hash, reinterpret_cast<void*>(&hashSlot<T>));
        return *this;
    }
    // A conversion from other Python objects into a value of the class.
    ValueClass& implicitConversion(IsConvertibleToCppFunc isConvertible, PythonToCppFunc convert)
    {
        m_implicit.push_back({isConvertible, convert});
        return *this;
    }

    PyTypeObject* introduce(PyObject* module)
    {
        SbkConverter* converter = introduceBoundClass<T, W>(m_builder, module, m_builder.className(),
                                                             &Shiboken::callCppDestructor<W>, nullptr,
                                                             &detail::copyToPython<T, W>);
        if (!converter)
            return nullptr;
        Shiboken::Conversions::addPythonToCppValueConversion(converter, &detail::pythonToCppCopy<T>,
                                                             &detail::isCopyConvertible<T>);
        for (const auto& conversion : m_implicit)
            Shiboken::Conversions::addPythonToCppValueConversion(converter, conversion.second, conversion.first);
        return Bound<T>::type;
    }

private:
    std::vector<std::pair<IsConvertibleToCppFunc, PythonToCppFunc>> m_implicit;
};

// A namespace: static functions only; cannot be instantiated or subclassed.
class Namespace : public ClassDeclaration<Namespace, void>
{
public:
    Namespace(Module& module, int index, const char* className) : ClassDeclaration(module, index, className)
    {
        m_builder.subclassable(false).constructible(false);
    }
    PyTypeObject* introduce(PyObject* module)
    {
        return m_builder.introduce(module, m_builder.className(), nullptr, nullptr);
    }
};

// --- Enumerations and the module's own conversions -----------------------------

using EnumMembers = std::initializer_list<std::pair<const char*, long>>;

// Creates a module-level enumeration (members also attributes of the module)
// and its converter, which accepts members of the enumeration only.
PyTypeObject* createEnumeration(PyObject* module, Module& owner, int index, const char* name, EnumMembers members,
                                CppToPythonFunc toPython, PythonToCppFunc toCpp, IsConvertibleToCppFunc isConvertible);

namespace detail {
template <typename E>
PyObject* enumToPython(const void* in)
{
    return Shiboken::Enum::newItem(pyType<E>(), long(*static_cast<const E*>(in)));
}
template <typename E>
void enumToCpp(PyObject* in, void* out)
{
    *static_cast<E*>(out) = static_cast<E>(Shiboken::Enum::getValue(in));
}
template <typename E>
PythonToCppFunc isEnumConvertible(PyObject* in)
{
    return PyObject_TypeCheck(in, pyType<E>()) ? &enumToCpp<E> : nullptr;
}
} // namespace detail

template <typename E>
bool enumeration(PyObject* module, Module& owner, int index, const char* name, EnumMembers members)
{
    Bound<E>::type = createEnumeration(module, owner, index, name, members, &detail::enumToPython<E>,
                                       &detail::enumToCpp<E>, &detail::isEnumConvertible<E>);
    return Bound<E>::type != nullptr;
}

struct FromPython
{
    PythonToCppFunc convert;
    IsConvertibleToCppFunc isConvertible;
};

// Registers one of the module's own conversions under its name, in the next
// slot of the module's converter table.
SbkConverter* registerConversion(Module& owner, int slot, const char* name, PyTypeObject* pythonType,
                                 CppToPythonFunc toPython, std::initializer_list<FromPython> fromPython);

} // namespace Binding
