#pragma once

// Bound types: the declaration of a class (constructor, methods, properties,
// fields, slots, bases), its introduction to the runtime and the module, and
// enumerations and the module's own conversions.

#include "Functions.h"
#include "Overrides.h"

#include <QObject>

#include <functional>
#include <initializer_list>
#include <string>
#include <typeinfo>
#include <vector>

BINDING_CONVERTER_NAME(QObject, "QObject");

namespace Binding {

// What a class declaration gives the runtime's type of T at start-up.
struct BaseRecord
{
    PyTypeObject* const* type;                // the base's Python type
    std::ptrdiff_t (*offset)(const void* object); // from T to the base, in a real object
    void* (*down)(void* basePointer);         // from the base to T, at run time; null if not T
    void* (*discoverBase)(void* pointer, SbkObjectType* seenAs);
    const std::vector<BaseRecord>* baseBases;
};

template <typename T>
struct TypeSlots
{
    static inline const FunctionBase* constructor = nullptr;
    static inline unsigned traits = 0;
    static inline void (*destroy)(void*) = nullptr;
    static inline const FunctionBase* repr = nullptr;
    static inline const FunctionBase* str = nullptr;
    static inline const FunctionBase* hash = nullptr;
    static inline const FunctionBase* truth = nullptr;
    static inline const FunctionBase* length = nullptr;
    static inline const FunctionBase* subscript = nullptr;
    static inline std::vector<BaseRecord> bases;
    static inline bool isQObject = false;
};

enum ClassTraits : unsigned
{
    Plain = 0,
    Abstract = 1,     // only Python subclasses may be constructed
    QObjectClass = 2, // arguments are not counted against the maximum
};

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

// Python's name for an accessor or method other than the declared one:
// property("registered", named("is_registered", &X::is_registered)).
template <typename F>
struct Named
{
    const char* name;
    F function;
};
template <typename F>
Named<F> named(const char* name, F function)
{
    return Named<F>{name, function};
}
template <typename F>
constexpr bool isNamed = false;
template <typename F>
constexpr bool isNamed<Named<F>> = true;

// The expected type that a field's wrong-type error names.
struct Expects
{
    const char* text;
};
inline Expects expects(const char* text)
{
    return Expects{text};
}

// --- The runtime's objects ---------------------------------------------------------------

// Shiboken2 5.15 leaves the "application singleton" flag of a new Python
// object uninitialised, so that shiboken2.delete() may destroy the
// application instead of the object. Every object the frame makes has the
// flag cleared.
void clearSingletonFlag(PyObject* object);
// Whether __init__ may build a native object for this Python object: not when
// it holds one, nor when its native object has been deleted.
bool refuseSecondConstruction(PyObject* self, PyTypeObject* bound);
namespace detail {
// The C++ object that the runtime deletes first with a Python object.
void* firstCppPointer(PyObject* object);
} // namespace detail
PyObject* newInstance(PyTypeObject* type, PyObject* args, PyObject* keywords);
bool refuseAbstract(PyObject* self, PyTypeObject* bound, const char* className);
bool bindNewObject(PyObject* self, PyTypeObject* bound, void* cppObject);
PyObject* raiseOperatorNotImplemented();

namespace detail {

void* castWithBases(void* object, SbkObjectType* desired, const std::vector<BaseRecord>& bases);
void* discoverWithBases(void* pointer, SbkObjectType* seenAs, const std::vector<BaseRecord>& bases);
int* offsetsWithBases(const void* object, const std::vector<BaseRecord>& bases, void* (*toQObject)(void*));

template <typename T>
void* toQObject(void* object)
{
    if constexpr (std::is_base_of<QObject, T>::value)
        return static_cast<QObject*>(static_cast<T*>(object));
    else
        return nullptr;
}

template <typename T>
void* castTo(void* object, SbkObjectType* desired)
{
    if (reinterpret_cast<PyTypeObject*>(desired) == pyType<T>())
        return object;
    if (void* found = castWithBases(object, desired, TypeSlots<T>::bases))
        return found;
    if (TypeSlots<T>::isQObject && reinterpret_cast<PyTypeObject*>(desired) == Conversion<QObject>::pythonType())
        return toQObject<T>(object);
    return object;
}

template <typename T>
void* discover(void* pointer, SbkObjectType* seenAs);

template <typename T>
int* baseOffsets(const void* object)
{
    return offsetsWithBases(object, TypeSlots<T>::bases, TypeSlots<T>::isQObject ? &toQObject<T> : nullptr);
}

template <typename T>
void pythonToCppPointer(PyObject* in, void* out)
{
    // Most often exactly of the bound type: no cast (as selfPointer).
    if (Py_TYPE(in) == pyType<T>())
        *static_cast<void**>(out) = Shiboken::Object::cppPointer(reinterpret_cast<SbkObject*>(in), pyType<T>());
    else
        Shiboken::Conversions::pythonToCppPointer(sbkType<T>(), in, out);
}

// The key under which calls hold the native object of a valid Python object of T.
template <typename T>
const void* useKeyOf(PyObject* object)
{
    T* native = nullptr;
    pythonToCppPointer<T>(object, &native);
    return PyHelpers::detail::useKey(static_cast<const T*>(native));
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

// `qobject`: the object's QObject part, whose Qt parent a new Python object
// watches (see watchQtParentOf).
PyObject* pointerToPythonOf(SbkObjectType* type, const void* in, QObject* qobject = nullptr);

// The existing Python object of a C++ object, or a new one of the Python
// type of its run-time class, not owning it.
template <typename T>
PyObject* pointerToPython(const void* in)
{
    if constexpr (std::is_base_of<QObject, T>::value)
        return pointerToPythonOf(sbkType<T>(), in, const_cast<T*>(static_cast<const T*>(in)));
    else
        return pointerToPythonOf(sbkType<T>(), in);
}

PyObject* adoptCopy(SbkObjectType* type, void* copy);

template <typename T, typename W>
PyObject* copyToPython(const void* in)
{
    return adoptCopy(sbkType<T>(), static_cast<T*>(new W(*static_cast<const T*>(in))));
}

template <typename T>
void pythonToCppCopy(PyObject* in, void* out)
{
    *static_cast<T*>(out) = *cppPointer<T>(in);
}

template <typename T>
PythonToCppFunc isCopyConvertible(PyObject* in)
{
    return PyObject_TypeCheck(in, pyType<T>()) ? &pythonToCppCopy<T> : nullptr;
}

// --- Slots -------------------------------------------------------------------------------

template <typename T>
PyObject* reprSlot(PyObject* self)
{
    return TypeSlots<T>::repr->callNoArguments(self);
}
template <typename T>
PyObject* strSlot(PyObject* self)
{
    return TypeSlots<T>::str->callNoArguments(self);
}
Py_hash_t hashFromResult(PyObject* result);
int truthFromResult(PyObject* result);
Py_ssize_t lengthFromResult(PyObject* result);
template <typename T>
Py_hash_t hashSlot(PyObject* self)
{
    return hashFromResult(TypeSlots<T>::hash->callNoArguments(self));
}
template <typename T>
int truthSlot(PyObject* self)
{
    return truthFromResult(TypeSlots<T>::truth->callNoArguments(self));
}
template <typename T>
Py_ssize_t lengthSlot(PyObject* self)
{
    return lengthFromResult(TypeSlots<T>::length->callNoArguments(self));
}
template <typename T>
PyObject* subscriptSlot(PyObject* self, PyObject* key)
{
    return TypeSlots<T>::subscript->callOneArgument(self, key);
}

// Sets an attribute as the base type of `type` does.
int setAttributeAsBase(PyTypeObject* type, PyObject* self, PyObject* name, PyObject* value);
// A callable assigned to an object may be an override of one of its virtual
// operations: the object forgets which ones it knew without override.
template <typename T>
int setAttributeSlot(PyObject* self, PyObject* name, PyObject* value)
{
    if (value && PyCallable_Check(value) && Shiboken::Object::isValid(self, false)) {
        if (auto* missing = dynamic_cast<MissingOverrides*>(cppPointer<T>(self)))
            missing->forgetMissingOverrides();
    }
    return setAttributeAsBase(pyType<T>(), self, name, value);
}

// Runs a slot's native part; exceptions become Python errors.
template <typename Body>
bool guardedSlot(Body&& body)
{
    try {
        body();
        return true;
    } catch (...) {
        raiseCaught(nullptr);
    }
    return false;
}

template <typename T, unsigned Ops>
PyObject* richCompareSlot(PyObject* self, PyObject* other, int op)
{
    if (!Shiboken::Object::isValid(reinterpret_cast<SbkObject*>(self), true))
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
    // Both sides live through the comparison, which keeps the interpreter
    // lock throughout (see CallHold).
    const T& left = *selfPointer<T>(self);
    CallHold<T> leftHold;
    if (!leftHold.take(self, &left, true))
        return nullptr;
    Arg<const T&> operand;
    operand.lockKept = true;
    bool converted = false;
    if (!guardedSlot([&] { converted = operand.convert(toCpp, other); }) || !converted)
        return nullptr;
    if (!leftHold.stillValid() || !operand.stillValid())
        return nullptr;
    bool result = false;
    const bool ok = guardedSlot([&] {
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

template <typename T>
int initSlot(PyObject* self, PyObject* args, PyObject* keywords)
{
    PyTypeObject* bound = pyType<T>();
    const bool userType = Shiboken::Object::isUserType(self);
    if (userType && !Shiboken::ObjectType::canCallConstructor(Py_TYPE(self), bound))
        return -1;
    const unsigned traits = TypeSlots<T>::traits;
    if ((traits & Abstract) && refuseAbstract(self, bound, Bound<T>::name))
        return -1;
    if (refuseSecondConstruction(self, bound))
        return -1;
    if (userType)
        Shiboken::ObjectType::copyMultipleInheritance(reinterpret_cast<SbkObjectType*>(Py_TYPE(self)), sbkType<T>());
    // Bound, and its Qt parent watched, before the arguments let the parent
    // go: a deletion of the parent meanwhile would take the new object along.
    const auto adopt = [&](void* made) {
        if (PyErr_Occurred() || !bindNewObject(self, bound, made)) {
            TypeSlots<T>::destroy(made);
            return false;
        }
        if constexpr (std::is_base_of<QObject, T>::value)
            watchQtParentOf(cppPointer<T>(self));
        return true;
    };
    return TypeSlots<T>::constructor->construct(args, keywords, !(traits & QObjectClass), adopt) ? 1 : -1;
}

// --- Public data fields ----------------------------------------------------------------------

struct FieldBase
{
    const char* name;
    const char* expected;
    virtual ~FieldBase() = default;
    virtual PyObject* get(PyObject* self) const = 0;
    virtual bool set(PyObject* self, PyObject* value) const = 0;
};

PyObject* fieldGetter(PyObject* self, void* closure);
int fieldSetter(PyObject* self, PyObject* value, void* closure);
void raiseWrongFieldType(const FieldBase& field);
PyObject* viewFieldInPlace(PyObject* owner, SbkObjectType* type, void* field);
// Whether a conversion is the class conversion of the wrapped type it
// produces (QPointF's for a QPointF), rather than one of another C++ type
// that produces it too (an optional Layer gives a Layer or None): only a
// field of the wrapped class itself can be seen in place.
bool isOwnConversion(PyTypeObject* type, SbkConverter* converter);

template <typename T, typename M>
struct Field final : FieldBase
{
    M T::*member;

    PyObject* get(PyObject* self) const override
    {
        M& value = cppPointer<T>(self)->*member;
        if constexpr (std::is_class<M>::value && (isBoundClass<M> || !std::is_arithmetic<M>::value)) {
            if constexpr (isBoundClass<M>) {
                return viewFieldInPlace(self, sbkType<M>(), &value);
            } else {
                PyTypeObject* type = Conversion<M>::pythonType();
                if (type && Shiboken::ObjectType::checkType(type) && isOwnConversion(type, Conversion<M>::converter()))
                    return viewFieldInPlace(self, reinterpret_cast<SbkObjectType*>(type), &value);
                return toPython(value);
            }
        } else {
            return toPython(value);
        }
    }
    bool set(PyObject* self, PyObject* value) const override
    {
        PythonToCppFunc toCpp = Arg<M>::check(value);
        if (!toCpp) {
            raiseWrongFieldType(*this);
            return false;
        }
        Arg<M> converted;
        // The conversion may run Python, and let another thread delete the object.
        if (!converted.convert(toCpp, value) || !isStillValid(self))
            return false;
        cppPointer<T>(self)->*member = converted.get();
        return true;
    }
};

// Registers the converter of a bound class under its names.
SbkConverter* registerClassConverter(PyTypeObject* type, const char* className, const std::type_info& apiType,
                                     const std::type_info& wrapperType, PythonToCppFunc toCppPointer,
                                     IsConvertibleToCppFunc isPointerConvertible, CppToPythonFunc pointerToPython,
                                     CppToPythonFunc copyToPython);
void registerClassFunctions(PyTypeObject* type, MultipleInheritanceInitFunction offsets,
                            SpecialCastFunction cast, TypeDiscoveryFuncV2 discover);
void registerQObjectType(PyTypeObject* type, const QMetaObject* metaObject, std::size_t wrapperSize);

template <typename X, typename = void>
struct IsCallableObject : std::false_type
{
};
template <typename X>
struct IsCallableObject<X, std::void_t<decltype(&X::operator())>> : std::true_type
{
};

// The method tables of a type: all its methods (the descriptors of folded
// accessors point into it, and the runtime finds their signatures there),
// and those it still has after folding.
struct MethodTables
{
    PyTypeObject* type;
    PyMethodDef* full;
    PyMethodDef* withoutFolded;
};
std::vector<MethodTables>& methodTables();
// The runtime's signature set-up of a module walks each type's table against
// the type's attributes: while it runs, every type shows only the methods it
// still has.
void showTypesWithoutFoldedMethods(bool yes);

template <typename F>
constexpr bool isOverload = false;
template <typename F, typename... P>
constexpr bool isOverload<Overload<F, P...>> = true;

} // namespace detail

// --- Declarations -------------------------------------------------------------------------------

// Assembles one Python type: method table, getset table, slots, signature
// texts, properties to fold.
class TypeBuilder
{
public:
    TypeBuilder(const Module* module, const char* className, int slot);

    void slot(int id, void* function);
    void method(const FunctionBase* function, int flags = 0);
    // A text slot (__repr__, __str__): its signature line, no method.
    void textSlot(const FunctionBase* function);
    void constructor(const FunctionBase* function);
    void copyMethod(const FunctionBase* function);
    void property(const char* name, const FunctionBase* getter, const FunctionBase* setter);
    void field(detail::FieldBase* field);
    void subclassable(bool yes) { m_subclassable = yes; }
    void constructible(bool yes) { m_constructible = yes; }

    // Creates the type; null (with a Python error) when the runtime refuses.
    PyTypeObject* introduce(PyObject* module, const char* nativeName, ObjectDestructor destructor,
                            const std::vector<PyTypeObject*>& bases);

    const char* className() const { return m_className; }
    const Module* module() const { return m_module; }
    std::string qualified(const std::string& member) const;

private:
    struct PropertyFold
    {
        const char* name;
        std::string getter;
        std::string setter;
    };
    std::vector<std::string> signatureLines() const;
    void foldProperties(PyTypeObject* type) const;

    const Module* m_module;
    const char* m_className;
    int m_slot;
    std::vector<PyType_Slot> m_slots;
    std::vector<const FunctionBase*> m_methods;
    std::vector<int> m_methodFlags;
    std::vector<const FunctionBase*> m_textSlots;
    const FunctionBase* m_constructor = nullptr;
    const FunctionBase* m_copy = nullptr;
    std::vector<PropertyFold> m_properties;
    std::vector<detail::FieldBase*> m_fields;
    std::vector<PyMethodDef>* m_methodTable = nullptr;
    bool m_subclassable = true;
    bool m_constructible = true;
};

template <typename T>
void* detail::discover(void* pointer, SbkObjectType* seenAs)
{
    if (TypeSlots<T>::isQObject && reinterpret_cast<PyTypeObject*>(seenAs) == Conversion<QObject>::pythonType()) {
        if constexpr (std::is_base_of<QObject, T>::value)
            return dynamic_cast<T*>(reinterpret_cast<QObject*>(pointer));
    }
    return discoverWithBases(pointer, seenAs, TypeSlots<T>::bases);
}

// The declaration of a bound class T, whose Python objects hold a W. Derived
// is ValueClass or ObjectClass. Every member is one call:
//
//     type.constructor(init<const QString&>("path"), ...)
//     type.method("save_as", &Project::save_as, "file")
//     type.method("relink", overload(...), overload(...))
//     type.staticMethod("registered_exporters", &X::registered_exporters)
//     type.property("notes", &Project::get_notes, &Project::set_notes)
//     type.property("id", &View::get_id)
//     type.field("pos_on_canvas", &InputEvent::pos_on_canvas)
//     type.repr(&View::__repr__); type.str(...); type.hash(); type.compare<Equal | Less>();
//     type.truth(f); type.length(f); type.subscript(f)
//     type.base<RenderOperation>(); type.abstract(); type.defaultLock(keepLock)
//     type.introduce();
template <typename Derived, typename T, typename W>
class ClassDeclaration
{
public:
    template <typename... Constructors>
    Derived& constructor(Constructors... constructors)
    {
        auto* function = makeFunction<void>(CallSite{m_builder.module(), qualifiedName(), Bound<T>::name},
                                            constructorOverload<T, W>(constructors)...);
        m_locks.push_back([function](Lock lock) { function->setDefaultLock(lock); });
        TypeSlots<T>::constructor = function;
        TypeSlots<T>::destroy = [](void* made) { delete static_cast<W*>(static_cast<T*>(made)); };
        m_builder.constructor(function);
        m_builder.slot(Py_tp_init, reinterpret_cast<void*>(&detail::initSlot<T>));
        return self();
    }

    template <typename F, typename... X>
    Derived& method(const char* name, F first, X... rest)
    {
        m_builder.method(declare(name, first, rest...));
        return self();
    }

    template <typename F, typename... X>
    Derived& staticMethod(const char* name, F first, X... rest)
    {
        auto* function = [&] {
            if constexpr (detail::isOverload<F>)
                return makeFunction<void>(site(name), first, rest...);
            else
                return makeFunction<void>(site(name), overload(first, rest...));
        }();
        m_locks.push_back([function](Lock lock) { function->setDefaultLock(lock); });
        m_builder.method(function, METH_STATIC);
        return self();
    }

    // A property: property(name, getter[, setter[, "setter_parameter"]][, extras]).
    // Without setter it is read-only; the setter's parameter is named after
    // the property unless given.
    template <typename G, typename... R>
    Derived& property(const char* name, G getter, R... rest)
    {
        if constexpr (takesSetter<R...>())
            readWriteProperty(name, getter, rest...);
        else
            m_builder.property(name, accessor(name, "get_", getter, rest...), nullptr);
        return self();
    }

    template <typename M>
    Derived& field(const char* name, M T::*member, Expects expected = Expects{nullptr})
    {
        auto* record = new detail::Field<T, M>();
        record->name = name;
        record->member = member;
        static const std::string typeText = fieldTypeText<M>();
        record->expected = expected.text ? expected.text : typeText.c_str();
        m_builder.field(record);
        return self();
    }

    template <typename F, typename... X>
    Derived& repr(F text, X... extras)
    {
        TypeSlots<T>::repr = declareSlot("__repr__", text, extras...);
        m_builder.textSlot(TypeSlots<T>::repr);
        m_builder.slot(Py_tp_repr, reinterpret_cast<void*>(&detail::reprSlot<T>));
        return self();
    }
    template <typename F, typename... X>
    Derived& str(F text, X... extras)
    {
        TypeSlots<T>::str = declareSlot("__str__", text, extras...);
        m_builder.textSlot(TypeSlots<T>::str);
        m_builder.slot(Py_tp_str, reinterpret_cast<void*>(&detail::strSlot<T>));
        return self();
    }
    // The hash of the value: qHash(const T&).
    Derived& hash()
    {
        TypeSlots<T>::hash = declareSlot(
            "__hash__", [](const T& value) { return (unsigned long long)qHash(value); }, keepLock);
        m_builder.slot(Py_tp_hash, reinterpret_cast<void*>(&detail::hashSlot<T>));
        return self();
    }
    template <unsigned Ops>
    Derived& compare()
    {
        m_builder.slot(Py_tp_richcompare, reinterpret_cast<void*>(&detail::richCompareSlot<T, Ops>));
        return self();
    }
    // The truth value.
    template <typename F, typename... X>
    Derived& truth(F test, X... extras)
    {
        TypeSlots<T>::truth = declareSlot("__bool__", test, extras...);
        m_builder.slot(Py_nb_bool, reinterpret_cast<void*>(&detail::truthSlot<T>));
        return self();
    }
    // len(): sequence and mapping length.
    template <typename F, typename... X>
    Derived& length(F count, X... extras)
    {
        TypeSlots<T>::length = declareSlot("__len__", count, extras...);
        m_builder.slot(Py_sq_length, reinterpret_cast<void*>(&detail::lengthSlot<T>));
        m_builder.slot(Py_mp_length, reinterpret_cast<void*>(&detail::lengthSlot<T>));
        return self();
    }
    // object[key]: the callable takes the object and the key (PyObject*).
    template <typename F, typename... X>
    Derived& subscript(F lookup, X... extras)
    {
        TypeSlots<T>::subscript = declareSlot("__getitem__", lookup, "key", extras...);
        m_builder.slot(Py_mp_subscript, reinterpret_cast<void*>(&detail::subscriptSlot<T>));
        return self();
    }

    // A bound base class of T (several for multiple inheritance).
    template <typename B>
    Derived& base()
    {
        static_assert(std::is_base_of<B, T>::value, "a base must be a base class");
        TypeSlots<T>::bases.push_back(BaseRecord{
            &Bound<B>::type,
            [](const void* object) -> std::ptrdiff_t {
                const T* full = static_cast<const T*>(object);
                return reinterpret_cast<const char*>(static_cast<const B*>(full))
                    - reinterpret_cast<const char*>(full);
            },
            [](void* basePointer) -> void* {
                if constexpr (std::is_polymorphic<B>::value)
                    return dynamic_cast<T*>(static_cast<B*>(basePointer));
                else
                    return static_cast<T*>(static_cast<B*>(basePointer));
            },
            &detail::discover<B>, &TypeSlots<B>::bases});
        m_bases.push_back(&Bound<B>::type);
        return self();
    }

    // Only Python subclasses may be constructed: "'X' represents a C++
    // abstract class and cannot be instantiated".
    Derived& abstract()
    {
        TypeSlots<T>::traits |= Abstract;
        return self();
    }

    // Objects of the class come from the API only: Python can neither
    // construct nor subclass it.
    Derived& apiMadeOnly()
    {
        m_builder.subclassable(false);
        m_builder.constructible(false);
        return self();
    }

    // The lock of the class's functions unless a declaration says otherwise:
    // keepLock for value records whose members touch only their own fields.
    Derived& defaultLock(KeepLock)
    {
        m_defaultLock = Lock::Keep;
        return self();
    }
    Derived& defaultLock(ReleaseLock)
    {
        m_defaultLock = Lock::Release;
        return self();
    }

protected:
    explicit ClassDeclaration(PyObject* module)
        : m_module(module), m_builder(Bound<T>::module, Bound<T>::name, Bound<T>::slot)
    {
        // Values too: a call may give the interpreter lock away (to wait for
        // the core, to run Python) while working on the Python object's own
        // copy, which another thread may delete meanwhile.
        detail::heldForCalls<T> = true;
        m_builder.slot(Py_tp_new, reinterpret_cast<void*>(&newInstance));
        // Only a wrapper class of its own routes virtual operations to Python.
        if constexpr (std::is_polymorphic<T>::value && !std::is_same<W, Wrapper<T>>::value)
            m_builder.slot(Py_tp_setattro, reinterpret_cast<void*>(&detail::setAttributeSlot<T>));
    }

    Derived& self() { return static_cast<Derived&>(*this); }

    PyTypeObject* introduceAs(const char* nativeName, ObjectDestructor destructor, PyTypeObject* defaultBase,
                              CppToPythonFunc copy)
    {
        for (auto& resolve : m_locks)
            resolve(m_defaultLock);
        std::vector<PyTypeObject*> bases;
        for (PyTypeObject* const* base : m_bases)
            bases.push_back(*base);
        if (bases.empty() && defaultBase)
            bases.push_back(defaultBase);
        PyTypeObject* type = m_builder.introduce(m_module, nativeName, destructor, bases);
        if (!type)
            return nullptr;
        Bound<T>::type = type;
        m_converter = detail::registerClassConverter(type, Bound<T>::name, typeid(T), typeid(W),
                                                     &detail::pythonToCppPointer<T>,
                                                     &detail::isPointerConvertible<T>, &detail::pointerToPython<T>,
                                                     copy);
        detail::registerClassFunctions(type, &detail::baseOffsets<T>, &detail::castTo<T>, &detail::discover<T>);
        detail::guardType(type, &detail::useKeyOf<T>);
        return type;
    }

    PyObject* m_module;
    TypeBuilder m_builder;
    SbkConverter* m_converter = nullptr;

private:
    CallSite site(const std::string& name) const
    {
        return CallSite{m_builder.module(), m_builder.qualified(name), name};
    }
    std::string qualifiedName() const { return qualifiedTypeName(Bound<T>::module, Bound<T>::name); }

    template <typename F, typename... X>
    auto* declare(const std::string& name, F first, X... rest)
    {
        auto* function = [&] {
            if constexpr (detail::isOverload<F>)
                return makeFunction<T>(site(name), first, rest...);
            else
                return makeFunction<T>(site(name), overload(first, rest...));
        }();
        m_locks.push_back([function](Lock lock) { function->setDefaultLock(lock); });
        return function;
    }

    template <typename F, typename... X>
    const FunctionBase* declareSlot(const char* name, F f, X... extras)
    {
        return declare(name, f, extras...);
    }

    template <typename F, typename... X>
    const FunctionBase* accessor(const char* property, const char* prefix, F f, X... parameter)
    {
        auto* function = [&] {
            if constexpr (isNamed<F>)
                return declare(f.name, f.function, parameter...);
            else
                return declare(std::string(prefix) + property, f, parameter...);
        }();
        function->noBaseCalls();
        return function;
    }

    template <typename X>
    static constexpr bool isAccessor = isNamed<X> || std::is_member_function_pointer<X>::value
        || std::is_function<std::remove_pointer_t<X>>::value || detail::IsCallableObject<X>::value;

    template <typename... R>
    static constexpr bool takesSetter()
    {
        if constexpr (sizeof...(R) > 0)
            return isAccessor<std::tuple_element_t<0, std::tuple<R...>>>;
        else
            return false;
    }

    template <typename G, typename S, typename... X>
    void readWriteProperty(const char* name, G getter, S setter, X... rest)
    {
        if constexpr (startsWithName<X...>())
            namedSetter(name, getter, setter, rest...);
        else
            namedSetter(name, getter, setter, name, rest...);
    }

    template <typename... X>
    static constexpr bool startsWithName()
    {
        if constexpr (sizeof...(X) > 0) {
            using First = std::decay_t<std::tuple_element_t<0, std::tuple<X...>>>;
            return std::is_same<First, const char*>::value || std::is_same<First, char*>::value;
        } else {
            return false;
        }
    }

    template <typename G, typename S, typename... X>
    void namedSetter(const char* name, G getter, S setter, const char* parameter, X... extras)
    {
        const FunctionBase* get = accessor(name, "get_", getter, extras...);
        const FunctionBase* set = accessor(name, "set_", setter, parameter, extras...);
        m_builder.property(name, get, set);
    }

    template <typename M>
    static std::string fieldTypeText()
    {
        if constexpr (isBound<M>)
            return Bound<M>::name ? Bound<M>::name : "?";
        else if constexpr (std::is_arithmetic<M>::value)
            return ArithmeticName<M>::value;
        else
            return ConverterName<M>::value;
    }

    std::vector<std::function<void(Lock)>> m_locks;
    std::vector<PyTypeObject* const*> m_bases;
    Lock m_defaultLock = Lock::Release;
};

// A value class: crosses the boundary by copy; Python objects own W copies,
// and the class has __copy__.
template <typename T, typename W = Wrapper<T>>
class ValueClass : public ClassDeclaration<ValueClass<T, W>, T, W>
{
    using Base = ClassDeclaration<ValueClass<T, W>, T, W>;
    using Base::m_builder;
    using Base::m_converter;

public:
    // A wrapper class of its own routes operations to Python overrides.
    explicit ValueClass(PyObject* module) : Base(module) { detail::plainValue<T> = std::is_same<W, Wrapper<T>>::value; }

    // A conversion from other Python objects into a value of the class.
    ValueClass& implicitConversion(IsConvertibleToCppFunc isConvertible, PythonToCppFunc convert)
    {
        m_implicit.push_back({isConvertible, convert});
        return *this;
    }

    PyTypeObject* introduce()
    {
        this->method("__copy__", [](const T& value) -> T { return value; }, keepLock, resultText(""));
        PyTypeObject* type = this->introduceAs(Bound<T>::name, &detail::deleteValueForRuntime<W>, nullptr,
                                               &detail::copyToPython<T, W>);
        if (!type)
            return nullptr;
        Shiboken::Conversions::addPythonToCppValueConversion(m_converter, &detail::pythonToCppCopy<T>,
                                                             &detail::isCopyConvertible<T>);
        for (const auto& conversion : m_implicit)
            Shiboken::Conversions::addPythonToCppValueConversion(m_converter, conversion.second, conversion.first);
        return type;
    }

private:
    std::vector<std::pair<IsConvertibleToCppFunc, PythonToCppFunc>> m_implicit;
};

// The wrapper class of an object class unless its declaration names one;
// QObject classes route QObject's virtual operations (QObjects.h).
template <typename T, typename = void>
struct DefaultWrapper
{
    using type = Wrapper<T>;
};

// An object class: crosses the boundary by pointer, never copied. A QObject
// class is a subclass of PySide2.QtCore.QObject (unless its bound bases say
// otherwise) with its Qt signals.
template <typename T, typename W = typename DefaultWrapper<T>::type>
class ObjectClass : public ClassDeclaration<ObjectClass<T, W>, T, W>
{
    using Base = ClassDeclaration<ObjectClass<T, W>, T, W>;

public:
    static constexpr bool isQObject = std::is_base_of<QObject, T>::value;

    explicit ObjectClass(PyObject* module) : Base(module)
    {
        TypeSlots<T>::isQObject = isQObject;
        if (isQObject)
            TypeSlots<T>::traits |= QObjectClass;
    }

    PyTypeObject* introduce()
    {
        const std::string nativeName = std::string(Bound<T>::name) + "*";
        // Deleted through the class itself; a class without virtual
        // destructor only as the wrapper class that Python builds. Never
        // under a running call that holds the object.
        constexpr ObjectDestructor destructor = std::has_virtual_destructor<T>::value
            ? &detail::deleteObjectForRuntime<T>
            : &detail::deleteObjectForRuntime<W>;
        PyTypeObject* type = this->introduceAs(nativeName.c_str(), destructor,
                                               isQObject ? Conversion<QObject>::pythonType() : nullptr, nullptr);
        if constexpr (isQObject) {
            if (type) {
                detail::registerQObjectType(type, &T::staticMetaObject, sizeof(W));
                detail::refuseQtParentsOfLent(type);
                detail::noteHeldQObjectClass(&T::staticMetaObject);
            }
        }
        return type;
    }
};

// A namespace: static functions only; cannot be instantiated or subclassed.
class Namespace
{
public:
    Namespace(PyObject* module, const Module& owner, const char* className);

    template <typename F, typename... X>
    Namespace& staticMethod(const char* name, F first, X... rest)
    {
        CallSite where{&m_owner, m_builder.qualified(name), name};
        const FunctionBase* function = [&] {
            if constexpr (detail::isOverload<F>)
                return makeFunction<void>(where, first, rest...);
            else
                return makeFunction<void>(where, overload(first, rest...));
        }();
        m_builder.method(function, METH_STATIC);
        return *this;
    }

    PyTypeObject* introduce();

private:
    PyObject* m_module;
    const Module& m_owner;
    TypeBuilder m_builder;
};

// --- Enumerations and the module's own conversions -----------------------------

using EnumMembers = std::initializer_list<std::pair<const char*, long>>;

// Creates a module-level enumeration (members also attributes of the module)
// and its converter, which accepts members of the enumeration only.
PyTypeObject* createEnumeration(PyObject* module, const Module& owner, int slot, const char* name,
                                EnumMembers members, CppToPythonFunc toPython, PythonToCppFunc toCpp,
                                IsConvertibleToCppFunc isConvertible);

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

// The enumeration E of a module's type list, with its members.
template <typename E>
PyTypeObject* enumeration(PyObject* module, EnumMembers members)
{
    Bound<E>::type = createEnumeration(module, *Bound<E>::module, Bound<E>::slot, Bound<E>::name, members,
                                       &detail::enumToPython<E>, &detail::enumToCpp<E>,
                                       &detail::isEnumConvertible<E>);
    return Bound<E>::type;
}

struct FromPython
{
    PythonToCppFunc convert;
    IsConvertibleToCppFunc isConvertible;
};

// Registers one of the module's own conversions in its slot, under the name
// that the module's conversion list gives it.
SbkConverter* registerConversion(const Module& owner, int slot, PyTypeObject* pythonType, CppToPythonFunc toPython,
                                 std::initializer_list<FromPython> fromPython);

template <typename Slot>
SbkConverter* registerConversion(const Module& owner, Slot slot, PyTypeObject* pythonType, CppToPythonFunc toPython,
                                 std::initializer_list<FromPython> fromPython)
{
    return registerConversion(owner, int(slot), pythonType, toPython, fromPython);
}

// A container conversion of a module in its slot: Kind (SequenceConversion,
// MappingConversion, PairConversion) over the container type.
//
//     registerContainerConversion<QList<QString>, SequenceConversion>(module, Slot::StringList, &PyList_Type);
template <typename Container, template <typename> class Kind, typename Slot>
SbkConverter* registerContainerConversion(const Module& owner, Slot slot, PyTypeObject* pythonType)
{
    using C = Kind<Container>;
    return registerConversion(owner, slot, pythonType, &C::toPython, {{&C::toCpp, &C::isConvertible}});
}

} // namespace Binding
