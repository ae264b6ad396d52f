#include "Types.h"

#include <pep384impl.h>
#include <signature.h>

#include <cstdio>
#include <cstring>

namespace Binding {

void destroyBinding(const void* cppObject) noexcept
{
    if (!Py_IsInitialized())
        return;
    Shiboken::GilState lock;
    SbkObject* wrapper = Shiboken::BindingManager::instance().retrieveWrapper(cppObject);
    if (wrapper)
        Shiboken::Object::destroy(wrapper, const_cast<void*>(cppObject));
}

PyObject* raiseOperatorNotImplemented()
{
    PyErr_SetString(PyExc_NotImplementedError, "operator not implemented.");
    return nullptr;
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
    if (bindings.hasWrapper(cppObject))
        bindings.releaseWrapper(bindings.retrieveWrapper(cppObject));
    bindings.registerWrapper(sbkSelf, cppObject);
    return true;
}

// --- TypeBuilder ---------------------------------------------------------------

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

TypeBuilder::TypeBuilder(Module& module, int index, const char* className)
    : m_module(module), m_index(index), m_className(className)
{
    slot(Py_tp_traverse, reinterpret_cast<void*>(&forwardTraverse));
    slot(Py_tp_clear, reinterpret_cast<void*>(&forwardClear));
}

TypeBuilder& TypeBuilder::slot(int id, void* function)
{
    for (PyType_Slot& existing : m_slots) {
        if (existing.slot == id) {
            existing.pfunc = function;
            return *this;
        }
    }
    m_slots.push_back({id, function});
    return *this;
}

TypeBuilder& TypeBuilder::subclassable(bool yes)
{
    m_subclassable = yes;
    return *this;
}

TypeBuilder& TypeBuilder::constructible(bool yes)
{
    m_constructible = yes;
    return *this;
}

TypeBuilder& TypeBuilder::methods(PyMethodDef* table)
{
    return slot(Py_tp_methods, table);
}

TypeBuilder& TypeBuilder::signatures(const char** lines)
{
    m_signatures = lines;
    return *this;
}

TypeBuilder& TypeBuilder::properties(std::initializer_list<Property> list)
{
    m_properties.insert(m_properties.end(), list.begin(), list.end());
    return *this;
}

PyTypeObject* TypeBuilder::introduce(PyObject* module, const char* nativeName, ObjectDestructor destructor,
                                     PyTypeObject* base)
{
    if (m_constructible) {
        slot(Py_tp_dealloc, reinterpret_cast<void*>(&SbkDeallocWrapper));
    } else {
        // The runtime would otherwise inherit a constructor from the base type.
        slot(Py_tp_new, reinterpret_cast<void*>(&refuseInstances));
        slot(Py_tp_dealloc, reinterpret_cast<void*>(&SbkDeallocWrapper));
    }
    // Slot arrays and specs live as long as the types made from them.
    auto* typeSlots = new std::vector<PyType_Slot>(m_slots);
    typeSlots->insert(typeSlots->begin(), PyType_Slot{Py_tp_base, nullptr});
    typeSlots->push_back({0, nullptr});
    unsigned long flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC;
    if (m_subclassable)
        flags |= Py_TPFLAGS_BASETYPE;
    auto* typeSpec = new PyType_Spec{specName(m_module.qualifiedName, m_className), int(sizeof(SbkObject)), 0,
                                 static_cast<unsigned int>(flags), typeSlots->data()};

    PyObject* bases = base ? PyTuple_Pack(1, base) : nullptr;
    SbkObjectType* created = Shiboken::ObjectType::introduceWrapperType(
        module, m_className, nativeName, typeSpec, destructor, reinterpret_cast<SbkObjectType*>(base), bases, 0);
    Py_XDECREF(bases);
    if (!created)
        return nullptr;
    auto* type = reinterpret_cast<PyTypeObject*>(created);
    static const char* noLines[] = {nullptr};
    InitSignatureStrings(type, m_signatures ? m_signatures : noLines);
    m_module.types[m_index] = type;
    foldProperties(type);
    return type;
}

// Each get_x/set_x pair becomes the property x, and the pair leaves the type.
void TypeBuilder::foldProperties(PyTypeObject* type) const
{
    auto* typeObject = reinterpret_cast<PyObject*>(type);
    for (const Property& property : m_properties) {
        if (PyObject_HasAttrString(typeObject, property.name))
            continue;
        const std::string getterName = std::string("get_") + property.name;
        const std::string setterName = std::string("set_") + property.name;
        bool ok = false;
        if (PyObject* getter = PyObject_GetAttrString(typeObject, getterName.c_str())) {
            PyObject* setter = nullptr;
            PyObject* made = nullptr;
            if (property.access == ReadWrite) {
                setter = PyObject_GetAttrString(typeObject, setterName.c_str());
                if (setter)
                    made = PyObject_CallFunction(reinterpret_cast<PyObject*>(&PyProperty_Type), "OOs", getter, setter,
                                                 nullptr);
            } else {
                made = PyObject_CallFunction(reinterpret_cast<PyObject*>(&PyProperty_Type), "Oss", getter, nullptr,
                                             nullptr);
            }
            ok = made && PyObject_SetAttrString(typeObject, property.name, made) == 0
                && PyObject_DelAttrString(typeObject, getterName.c_str()) == 0
                && (!setter || PyObject_DelAttrString(typeObject, setterName.c_str()) == 0);
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
}

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

PyTypeObject* createEnumeration(PyObject* module, Module& owner, int index, const char* name, EnumMembers members,
                                CppToPythonFunc toPython, PythonToCppFunc toCpp, IsConvertibleToCppFunc isConvertible)
{
    PyTypeObject* type = Shiboken::Enum::createGlobalEnum(module, name, specName(owner.qualifiedName, name), name);
    if (!type)
        return nullptr;
    for (const auto& member : members) {
        if (!Shiboken::Enum::createGlobalEnumItem(type, module, member.first, member.second))
            return nullptr;
    }
    SbkConverter* converter = Shiboken::Conversions::createConverter(type, toPython);
    Shiboken::Conversions::addPythonToCppValueConversion(converter, toCpp, isConvertible);
    Shiboken::Enum::setTypeConverter(type, converter);
    Shiboken::Conversions::registerConverterName(converter, name);
    owner.types[index] = type;
    return type;
}

SbkConverter* registerConversion(Module& owner, int slot, const char* name, PyTypeObject* pythonType,
                                 CppToPythonFunc toPython, std::initializer_list<FromPython> fromPython)
{
    SbkConverter* converter = Shiboken::Conversions::createConverter(pythonType, toPython);
    Shiboken::Conversions::registerConverterName(converter, name);
    for (const FromPython& conversion : fromPython)
        Shiboken::Conversions::addPythonToCppValueConversion(converter, conversion.convert,
                                                             conversion.isConvertible);
    owner.converters[slot] = converter;
    return converter;
}

} // namespace Binding
