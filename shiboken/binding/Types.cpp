#include "Types.h"

#include <pep384impl.h>
#include <sbkversion.h>
#include <signature.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Binding {

// --- The runtime's objects ----------------------------------------------------------

namespace {

// The first fields of the runtime's private part of an SbkObject (5.15): the
// array of C++ pointers, then a byte of flags.
struct RuntimeObjectState
{
    void** cppPointers;
    unsigned char flags;
};
constexpr unsigned char singletonFlag = 0x10; // "is the Q*Application singleton"

RuntimeObjectState* stateOf(PyObject* object)
{
    return reinterpret_cast<RuntimeObjectState*>(reinterpret_cast<SbkObject*>(object)->d);
}

} // namespace

void clearSingletonFlag(PyObject* object)
{
#if SHIBOKEN_MAJOR_VERSION == 5 && SHIBOKEN_MINOR_VERSION == 15
    if (object && Shiboken::Object::checkType(object) && stateOf(object))
        stateOf(object)->flags &= static_cast<unsigned char>(~singletonFlag);
#else
    (void)object;
#endif
}

void* detail::firstCppPointer(PyObject* object)
{
#if SHIBOKEN_MAJOR_VERSION == 5 && SHIBOKEN_MINOR_VERSION == 15
    // Read directly: asking the runtime for the object's own type reads past
    // the array of a Python class with several bound bases.
    RuntimeObjectState* state = stateOf(object);
    return state && state->cppPointers ? state->cppPointers[0] : nullptr;
#else
    return Shiboken::Object::cppPointer(reinterpret_cast<SbkObject*>(object), Py_TYPE(object));
#endif
}

bool refuseSecondConstruction(PyObject* self, PyTypeObject* bound)
{
    auto* sbk = reinterpret_cast<SbkObject*>(self);
#if SHIBOKEN_MAJOR_VERSION == 5 && SHIBOKEN_MINOR_VERSION == 15
    // A deleted object has no pointer array left to fill; an object that
    // holds or held a native object keeps its pointer.
    const bool refuse = !stateOf(self)->cppPointers || Shiboken::Object::cppPointer(sbk, bound)
        || Shiboken::Object::wasCreatedByPython(sbk);
#else
    const bool refuse = Shiboken::Object::isValid(self, false) || Shiboken::Object::wasCreatedByPython(sbk);
#endif
    if (refuse)
        PyErr_SetString(PyExc_RuntimeError, "You can't initialize an object twice!");
    return refuse;
}

PyObject* newInstance(PyTypeObject* type, PyObject* args, PyObject* keywords)
{
    PyObject* object = SbkObjectTpNew(type, args, keywords);
#if SHIBOKEN_MAJOR_VERSION == 5 && SHIBOKEN_MINOR_VERSION == 15
    if (object)
        stateOf(object)->flags &= static_cast<unsigned char>(~singletonFlag);
#endif
    return object;
}

bool refuseAbstract(PyObject* self, PyTypeObject* bound, const char* className)
{
    if (Py_TYPE(self) != bound)
        return false;
    PyErr_Format(PyExc_NotImplementedError, "'%s' represents a C++ abstract class and cannot be instantiated",
                 className);
    return true;
}

bool bindNewObject(PyObject* self, PyTypeObject* bound, void* cppObject)
{
    auto* sbkSelf = reinterpret_cast<SbkObject*>(self);
    if (!Shiboken::Object::setCppPointer(sbkSelf, bound, cppObject))
        return false;
    Shiboken::Object::setValidCpp(sbkSelf, true);
    Shiboken::Object::setHasCppWrapper(sbkSelf, true);
    Shiboken::BindingManager& bindings = Shiboken::BindingManager::instance();
    if (SbkObject* previous = wrapperOf(cppObject))
        bindings.releaseWrapper(previous);
    bindings.registerWrapper(sbkSelf, cppObject);
    return true;
}

PyObject* raiseOperatorNotImplemented()
{
    PyErr_SetString(PyExc_NotImplementedError, "operator not implemented.");
    return nullptr;
}

namespace detail {

// --- Bases ----------------------------------------------------------------------------

void* castWithBases(void* object, SbkObjectType* desired, const std::vector<BaseRecord>& bases)
{
    for (const BaseRecord& base : bases) {
        char* basePointer = static_cast<char*>(object) + base.offset(object);
        if (reinterpret_cast<PyTypeObject*>(desired) == *base.type)
            return basePointer;
        if (void* deeper = castWithBases(basePointer, desired, *base.baseBases))
            return deeper;
    }
    return nullptr;
}

void* discoverWithBases(void* pointer, SbkObjectType* seenAs, const std::vector<BaseRecord>& bases)
{
    for (const BaseRecord& base : bases) {
        if (reinterpret_cast<PyTypeObject*>(seenAs) == *base.type)
            return base.down(pointer);
        if (void* asBase = base.discoverBase(pointer, seenAs))
            return base.down(asBase);
    }
    return nullptr;
}

namespace {
void collectOffsets(const void* object, std::ptrdiff_t from, const std::vector<BaseRecord>& bases,
                    std::vector<int>& offsets)
{
    for (const BaseRecord& base : bases) {
        const std::ptrdiff_t offset = from + base.offset(static_cast<const char*>(object) + from);
        if (offset != 0 && std::find(offsets.begin(), offsets.end(), int(offset)) == offsets.end())
            offsets.push_back(int(offset));
        collectOffsets(object, offset, *base.baseBases, offsets);
    }
}
} // namespace

int* offsetsWithBases(const void* object, const std::vector<BaseRecord>& bases, void* (*toQObject)(void*))
{
    // The runtime asks once per type and keeps the array.
    std::vector<int> offsets;
    collectOffsets(object, 0, bases, offsets);
    if (toQObject) {
        const std::ptrdiff_t offset = static_cast<char*>(toQObject(const_cast<void*>(object)))
            - static_cast<const char*>(object);
        if (offset != 0 && std::find(offsets.begin(), offsets.end(), int(offset)) == offsets.end())
            offsets.push_back(int(offset));
    }
    offsets.push_back(-1);
    int* kept = new int[offsets.size()];
    std::copy(offsets.begin(), offsets.end(), kept);
    return kept;
}

// --- Conversions of bound classes ------------------------------------------------------

PyObject* pointerToPythonOf(SbkObjectType* type, const void* in, QObject* qobject)
{
    if (!in)
        Py_RETURN_NONE;
    if (SbkObject* existing = wrapperOf(in)) {
        Py_INCREF(existing);
        return reinterpret_cast<PyObject*>(existing);
    }
    // The Python type of the object's run-time class, found through the type
    // discovery of the derived bound classes (which also adjusts the address).
    PyObject* made = Shiboken::Object::newObject(type, const_cast<void*>(in), false, false);
    clearSingletonFlag(made);
    if (made && qobject)
        watchQtParentOf(qobject);
    return made;
}

PyObject* adoptCopy(SbkObjectType* type, void* copy)
{
    PyObject* made = Shiboken::Object::newObject(type, copy, true, true);
    clearSingletonFlag(made);
    // The copy is a wrapper-class object, whose destructor takes care of the
    // Python object: the runtime must know, or deleting it from Python fails.
    if (made)
        Shiboken::Object::setHasCppWrapper(reinterpret_cast<SbkObject*>(made), true);
    return made;
}

// --- Slots ----------------------------------------------------------------------------------

int setAttributeAsBase(PyTypeObject* type, PyObject* self, PyObject* name, PyObject* value)
{
    PyTypeObject* base = type ? type->tp_base : nullptr;
    return base && base->tp_setattro ? base->tp_setattro(self, name, value)
                                     : PyObject_GenericSetAttr(self, name, value);
}

Py_hash_t hashFromResult(PyObject* result)
{
    if (!result)
        return -1;
    const Py_hash_t hash = Py_hash_t(PyLong_AsUnsignedLongLongMask(result));
    Py_DECREF(result);
    if (PyErr_Occurred())
        return -1;
    return hash == -1 ? -2 : hash;
}

int truthFromResult(PyObject* result)
{
    if (!result)
        return -1;
    const int truth = PyObject_IsTrue(result);
    Py_DECREF(result);
    return truth;
}

Py_ssize_t lengthFromResult(PyObject* result)
{
    if (!result)
        return -1;
    const Py_ssize_t length = PyLong_AsSsize_t(result);
    Py_DECREF(result);
    return length;
}

// --- Fields ------------------------------------------------------------------------------------

PyObject* fieldGetter(PyObject* self, void* closure)
{
    if (!Shiboken::Object::isValid(self))
        return nullptr;
    PyObject* value = nullptr;
    guardedSlot([&] { value = static_cast<const FieldBase*>(closure)->get(self); });
    return value;
}

int fieldSetter(PyObject* self, PyObject* value, void* closure)
{
    const auto* field = static_cast<const FieldBase*>(closure);
    if (!value) {
        PyErr_Format(PyExc_TypeError, "'%s' may not be deleted", field->name);
        return -1;
    }
    if (!Shiboken::Object::isValid(self))
        return -1;
    bool set = false;
    guardedSlot([&] { set = field->set(self, value); });
    return set ? 0 : -1;
}

void raiseWrongFieldType(const FieldBase& field)
{
    PyErr_Format(PyExc_TypeError, "wrong type attributed to '%s', '%s' or convertible type expected", field.name,
                 field.expected);
}

bool isOwnConversion(PyTypeObject* type, SbkConverter* converter)
{
    const char* name = type->tp_name; // "PySide2.QtCore.QPointF"
    const char* dot = std::strrchr(name, '.');
    return converter && Shiboken::Conversions::getConverter(dot ? dot + 1 : name) == converter;
}

PyObject* viewFieldInPlace(PyObject* owner, SbkObjectType* type, void* field)
{
    if (SbkObject* existing = wrapperOf(field)) {
        if (reinterpret_cast<PyObject*>(existing) != owner) {
            Py_INCREF(existing);
            return reinterpret_cast<PyObject*>(existing);
        }
    }
    PyObject* view = Shiboken::Object::newObject(type, field, false, true);
    if (!view)
        return nullptr;
    clearSingletonFlag(view);
    // The view lives and dies with its owner.
    Shiboken::Object::setParent(owner, view);
    return view;
}

// --- Registration --------------------------------------------------------------------------

SbkConverter* registerClassConverter(PyTypeObject* type, const char* className, const std::type_info& apiType,
                                     const std::type_info& wrapperType, PythonToCppFunc toCppPointer,
                                     IsConvertibleToCppFunc isPointerConvertible, CppToPythonFunc pointerToPython,
                                     CppToPythonFunc copyToPython)
{
    auto* sbk = reinterpret_cast<SbkObjectType*>(type);
    SbkConverter* converter = copyToPython
        ? Shiboken::Conversions::createConverter(sbk, toCppPointer, isPointerConvertible, pointerToPython,
                                                 copyToPython)
        : Shiboken::Conversions::createConverter(sbk, toCppPointer, isPointerConvertible, pointerToPython);
    const std::string name(className);
    for (const std::string& alias : {name, name + "*", name + "&"})
        Shiboken::Conversions::registerConverterName(converter, alias.c_str());
    // The runtime's type names: a leading '*' (pointer marker) is not part of them.
    for (const char* runTimeName : {apiType.name(), wrapperType.name()})
        Shiboken::Conversions::registerConverterName(converter, runTimeName + (*runTimeName == '*' ? 1 : 0));
    return converter;
}

void registerClassFunctions(PyTypeObject* type, MultipleInheritanceInitFunction offsets, SpecialCastFunction cast,
                            TypeDiscoveryFuncV2 discover)
{
    auto* sbk = reinterpret_cast<SbkObjectType*>(type);
    Shiboken::ObjectType::setMultipleInheritanceFunction(sbk, offsets);
    Shiboken::ObjectType::setCastFunction(sbk, cast);
    Shiboken::ObjectType::setTypeDiscoveryFunctionV2(sbk, discover);
}

} // namespace detail

// --- TypeBuilder ----------------------------------------------------------------------

namespace {

int forwardTraverse(PyObject* self, visitproc visit, void* arg)
{
    return reinterpret_cast<PyTypeObject*>(SbkObject_TypeF())->tp_traverse(self, visit, arg);
}

int forwardClear(PyObject* self)
{
    return reinterpret_cast<PyTypeObject*>(SbkObject_TypeF())->tp_clear(self);
}

PyObject* refuseInstances(PyTypeObject* type, PyObject*, PyObject*)
{
    PyErr_Format(PyExc_TypeError, "cannot create '%s' instances", type->tp_name);
    return nullptr;
}

// "2:plinx.project.View": the runtime reads the number of leading name
// components that name the module.
const char* specName(const char* moduleName, const char* className)
{
    int components = 1;
    for (const char* c = moduleName; *c; ++c)
        components += *c == '.';
    auto* name = new std::string(std::to_string(components) + ":" + moduleName + "." + className);
    return name->c_str();
}

} // namespace

TypeBuilder::TypeBuilder(const Module* module, const char* className, int slot)
    : m_module(module), m_className(className), m_slot(slot)
{
    if (!module || !className || slot < 0)
        Py_FatalError("a bound type is declared that its module does not list");
    this->slot(Py_tp_traverse, reinterpret_cast<void*>(&forwardTraverse));
    this->slot(Py_tp_clear, reinterpret_cast<void*>(&forwardClear));
}

std::string TypeBuilder::qualified(const std::string& member) const
{
    return std::string(m_module->qualifiedName) + "." + m_className + "." + member;
}

void TypeBuilder::slot(int id, void* function)
{
    for (PyType_Slot& existing : m_slots) {
        if (existing.slot == id) {
            existing.pfunc = function;
            return;
        }
    }
    m_slots.push_back({id, function});
}

void TypeBuilder::method(const FunctionBase* function, int flags)
{
    if (function->site().shortName == "__copy__") {
        m_copy = function;
    } else {
        m_methods.push_back(function);
        m_methodFlags.push_back(flags);
    }
}

void TypeBuilder::textSlot(const FunctionBase* function)
{
    m_textSlots.push_back(function);
}

void TypeBuilder::constructor(const FunctionBase* function)
{
    m_constructor = function;
}

void TypeBuilder::property(const char* name, const FunctionBase* getter, const FunctionBase* setter)
{
    method(getter);
    if (setter)
        method(setter);
    m_properties.push_back({name, getter->site().shortName, setter ? setter->site().shortName : std::string()});
}

void TypeBuilder::field(detail::FieldBase* field)
{
    m_fields.push_back(field);
}

// Constructors (numbered), text slots, methods in ASCII order, __copy__.
std::vector<std::string> TypeBuilder::signatureLines() const
{
    std::vector<std::string> lines;
    if (m_constructor)
        m_constructor->appendSignatureLines(lines);
    for (const FunctionBase* text : m_textSlots)
        text->appendSignatureLines(lines);
    std::vector<const FunctionBase*> sorted(m_methods);
    std::stable_sort(sorted.begin(), sorted.end(), [](const FunctionBase* a, const FunctionBase* b) {
        return a->site().shortName < b->site().shortName;
    });
    for (const FunctionBase* function : sorted)
        function->appendSignatureLines(lines);
    if (m_copy)
        m_copy->appendSignatureLines(lines);
    return lines;
}

PyTypeObject* TypeBuilder::introduce(PyObject* module, const char* nativeName, ObjectDestructor destructor,
                                     const std::vector<PyTypeObject*>& bases)
{
    if (!m_constructible) // the runtime would otherwise inherit a constructor from the base type
        slot(Py_tp_new, reinterpret_cast<void*>(&refuseInstances));
    slot(Py_tp_dealloc, reinterpret_cast<void*>(&detail::deallocate));

    // Tables and specs live as long as the types made from them.
    auto* methods = m_methodTable = new std::vector<PyMethodDef>();
    std::vector<const FunctionBase*> sorted(m_methods);
    for (std::size_t i = 0; i < m_methods.size(); ++i)
        methods->push_back(m_methods[i]->methodDef(m_methodFlags[i]));
    std::sort(methods->begin(), methods->end(),
              [](const PyMethodDef& a, const PyMethodDef& b) { return std::strcmp(a.ml_name, b.ml_name) < 0; });
    if (m_copy)
        methods->push_back(m_copy->methodDef(0));
    methods->push_back({nullptr, nullptr, 0, nullptr});
    slot(Py_tp_methods, methods->data());
    if (!m_fields.empty()) {
        auto* getset = new std::vector<PyGetSetDef>();
        for (detail::FieldBase* field : m_fields)
            getset->push_back({field->name, &detail::fieldGetter, &detail::fieldSetter, nullptr, field});
        getset->push_back({nullptr, nullptr, nullptr, nullptr, nullptr});
        slot(Py_tp_getset, getset->data());
    }

    auto* typeSlots = new std::vector<PyType_Slot>(m_slots);
    typeSlots->insert(typeSlots->begin(), PyType_Slot{Py_tp_base, nullptr});
    typeSlots->push_back({0, nullptr});
    unsigned long flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    if (m_subclassable)
        flags |= Py_TPFLAGS_BASETYPE;
    auto* typeSpec = new PyType_Spec{specName(m_module->qualifiedName, m_className), int(sizeof(SbkObject)), 0,
                                     static_cast<unsigned int>(flags), typeSlots->data()};

    PyObject* baseTuple = nullptr;
    if (!bases.empty()) {
        baseTuple = PyTuple_New(Py_ssize_t(bases.size()));
        for (std::size_t i = 0; i < bases.size(); ++i) {
            Py_INCREF(bases[i]);
            PyTuple_SET_ITEM(baseTuple, Py_ssize_t(i), reinterpret_cast<PyObject*>(bases[i]));
        }
    }
    SbkObjectType* created = Shiboken::ObjectType::introduceWrapperType(
        module, m_className, nativeName, typeSpec, destructor,
        bases.empty() ? nullptr : reinterpret_cast<SbkObjectType*>(bases.front()), baseTuple, 0);
    Py_XDECREF(baseTuple);
    if (!created)
        return nullptr;
    auto* type = reinterpret_cast<PyTypeObject*>(created);
    auto* lines = new std::vector<std::string>(signatureLines());
    auto* pointers = new std::vector<const char*>();
    for (const std::string& line : *lines)
        pointers->push_back(line.c_str());
    pointers->push_back(nullptr);
    InitSignatureStrings(type, pointers->data());
    m_module->fillType(m_slot, type);
    foldProperties(type);
    return type;
}

// Each accessor pair becomes its property, and the pair leaves the type,
// unless the type already has an attribute of the property's name.
void TypeBuilder::foldProperties(PyTypeObject* type) const
{
    auto* typeObject = reinterpret_cast<PyObject*>(type);
    // The methods the type still has, for the runtime's signature support
    // (see showTypesWithoutFoldedMethods).
    auto* remaining = new std::vector<PyMethodDef>();
    for (const PropertyFold& property : m_properties) {
        if (PyObject_HasAttrString(typeObject, property.name))
            continue;
        bool ok = false;
        if (PyObject* getter = PyObject_GetAttrString(typeObject, property.getter.c_str())) {
            PyObject* setter = nullptr;
            PyObject* made = nullptr;
            if (!property.setter.empty()) {
                setter = PyObject_GetAttrString(typeObject, property.setter.c_str());
                if (setter)
                    made = PyObject_CallFunction(reinterpret_cast<PyObject*>(&PyProperty_Type), "OOs", getter, setter,
                                                 nullptr);
            } else {
                made = PyObject_CallFunction(reinterpret_cast<PyObject*>(&PyProperty_Type), "Oss", getter, nullptr,
                                             nullptr);
            }
            ok = made && PyObject_SetAttrString(typeObject, property.name, made) == 0
                && PyObject_DelAttrString(typeObject, property.getter.c_str()) == 0
                && (!setter || PyObject_DelAttrString(typeObject, property.setter.c_str()) == 0);
            Py_XDECREF(made);
            Py_XDECREF(setter);
            Py_DECREF(getter);
        }
        if (!ok) {
            PyErr_Print();
            char text[256];
            std::snprintf(text, sizeof text, "Cannot initialize '%s' property of '%s' class", property.name,
                          m_className);
            Py_FatalError(text);
        }
    }
    for (const PyMethodDef& row : *m_methodTable) {
        if (row.ml_name && PyDict_GetItemString(type->tp_dict, row.ml_name) == nullptr)
            continue;
        remaining->push_back(row);
    }
    detail::methodTables().push_back({type, m_methodTable->data(), remaining->data()});
}

namespace detail {

std::vector<MethodTables>& methodTables()
{
    static std::vector<MethodTables> tables;
    return tables;
}

void showTypesWithoutFoldedMethods(bool yes)
{
    for (const MethodTables& tables : methodTables())
        tables.type->tp_methods = yes ? tables.withoutFolded : tables.full;
}

} // namespace detail

// --- Namespaces --------------------------------------------------------------------------

Namespace::Namespace(PyObject* module, const Module& owner, const char* className)
    : m_module(module), m_owner(owner), m_builder(&owner, className, owner.slotOf(className))
{
    m_builder.subclassable(false);
    m_builder.constructible(false);
}

PyTypeObject* Namespace::introduce()
{
    return m_builder.introduce(m_module, m_builder.className(), nullptr, {});
}

// --- Enumerations and conversions ------------------------------------------------------

PyTypeObject* createEnumeration(PyObject* module, const Module& owner, int slot, const char* name,
                                EnumMembers members, CppToPythonFunc toPython, PythonToCppFunc toCpp,
                                IsConvertibleToCppFunc isConvertible)
{
    PyTypeObject* type = Shiboken::Enum::createGlobalEnum(module, name, specName(owner.qualifiedName, name), name);
    if (!type)
        return nullptr;
    // A Python subclass of an enumeration cannot be instantiated safely.
    type->tp_flags &= ~Py_TPFLAGS_BASETYPE;
    PyType_Modified(type);
    for (const auto& member : members) {
        if (!Shiboken::Enum::createGlobalEnumItem(type, module, member.first, member.second))
            return nullptr;
    }
    SbkConverter* converter = Shiboken::Conversions::createConverter(type, toPython);
    Shiboken::Conversions::addPythonToCppValueConversion(converter, toCpp, isConvertible);
    Shiboken::Enum::setTypeConverter(type, converter);
    Shiboken::Conversions::registerConverterName(converter, name);
    owner.fillType(slot, type);
    return type;
}

SbkConverter* registerConversion(const Module& owner, int slot, PyTypeObject* pythonType, CppToPythonFunc toPython,
                                 std::initializer_list<FromPython> fromPython)
{
    if (slot < 0 || slot >= owner.converterCount)
        Py_FatalError("a conversion has no slot in its module's conversion list");
    SbkConverter* converter = Shiboken::Conversions::createConverter(pythonType, toPython);
    Shiboken::Conversions::registerConverterName(converter, owner.converterNames[slot]);
    for (const FromPython& conversion : fromPython)
        Shiboken::Conversions::addPythonToCppValueConversion(converter, conversion.convert,
                                                             conversion.isConvertible);
    owner.fillConverter(slot, converter);
    return converter;
}

} // namespace Binding
