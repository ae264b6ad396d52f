#include "Module.h"

#include "Functions.h"
#include "Lifetimes.h"
#include "Types.h"

#include "Python/InterpreterEnd.h"
#include "Python/PyHelpers.h"

#include <Bsc/TypeName.h>

#include <autodecref.h>
#include <sbkmodule.h>
#include <signature.h>

#include <QHash>
#include <QString>

#include <cstring>
#include <map>
#include <typeinfo>

namespace Binding {

std::string qualifiedTypeName(const Module* module, const char* name)
{
    if (!module || !name)
        return "?";
    return std::string(module->qualifiedName) + "." + name;
}

void Module::raise(const std::exception& error) const
{
    if (setPythonError)
        setPythonError(error);
    else
        PyErr_SetString(PyExc_RuntimeError, error.what());
}

void Module::raiseUnknown()
{
    PyErr_SetString(PyExc_RuntimeError, "Unknown error");
}

bool Module::importBindingModule(const char* name)
{
    Shiboken::AutoDecRef imported(Shiboken::Module::import(name));
    if (imported.isNull())
        return false;
    // The runtime answers with whatever sys.modules holds: None there marks
    // an import that was blocked, and a module set up from it would read
    // the other module's empty tables.
    if (imported.object() == Py_None) {
        PyErr_Format(PyExc_ModuleNotFoundError, "import of %s halted; None in sys.modules", name);
        return false;
    }
    if (!PyModule_Check(imported.object())) {
        PyErr_Format(PyExc_ImportError, "sys.modules['%s'] is not a module", name);
        return false;
    }
    return true;
}

int Module::slotOf(const char* typeName) const
{
    for (int i = 0; i < typeCount; ++i) {
        if (std::strcmp(typeNames[i], typeName) == 0)
            return detail::asciiRank(typeNames, typeCount, i);
    }
    return -1;
}

namespace {

// How often each slot of each module was filled, for the start-up check.
struct Fills
{
    std::vector<int> types;
    std::vector<int> converters;
};

Fills& fillsOf(const Module* module)
{
    static std::map<const Module*, Fills> all;
    Fills& fills = all[module];
    fills.types.resize(std::size_t(module->typeCount));
    fills.converters.resize(std::size_t(module->converterCount));
    return fills;
}

// Signature lines of module functions, kept as long as the runtime needs them.
std::map<const Module*, std::vector<std::string>>& functionLines()
{
    static std::map<const Module*, std::vector<std::string>> lines;
    return lines;
}

} // namespace

void Module::fillType(int slot, PyTypeObject* type) const
{
    if (slot < 0 || slot >= typeCount)
        Py_FatalError("a bound type has no slot in its module's type list");
    types[slot] = type;
    ++fillsOf(this).types[std::size_t(slot)];
}

void Module::fillConverter(int slot, SbkConverter* converter) const
{
    if (slot < 0 || slot >= converterCount)
        Py_FatalError("a conversion has no slot in its module's conversion list");
    converters[slot] = converter;
    ++fillsOf(this).converters[std::size_t(slot)];
}

PyObject* Module::create(const char* shortName, const std::vector<const FunctionBase*>& functions) const
{
    watchInterpreterEnd();
    guardRuntimeDelete();
    routeDeferredDeletions();
    releaseChildrenAtPythonEnd();
    // Registered after the atexit functions above and PySide2's: it runs
    // before them, and they meet no running call.
    PyHelpers::watchInterpreterEndForCalls();
    PyHelpers::noteSignalThread();
    // The definition and its table live as long as the module.
    auto* table = new std::vector<PyMethodDef>();
    std::vector<std::string>& lines = functionLines()[this];
    for (const FunctionBase* function : functions) {
        table->push_back(function->methodDef(0));
        function->appendSignatureLines(lines);
    }
    table->push_back({nullptr, nullptr, 0, nullptr});
    auto* definition = new PyModuleDef{
        PyModuleDef_HEAD_INIT, shortName, nullptr, -1, table->data(), nullptr, nullptr, nullptr, nullptr,
    };
    return Shiboken::Module::create(shortName, definition);
}

PyObject* Module::finish(PyObject* module, const char* fatalText) const
{
    Shiboken::Module::registerTypes(module, types);
    Shiboken::Module::registerTypeConverters(module, converters);
    // Module functions get their signatures like methods, so that the
    // runtime's wrong-argument errors never fall back to the arguments' repr.
    std::vector<std::string>& lines = functionLines()[this];
    auto* pointers = new std::vector<const char*>();
    for (const std::string& line : lines)
        pointers->push_back(line.c_str());
    pointers->push_back(nullptr);
    detail::showTypesWithoutFoldedMethods(true);
    FinishSignatureInitialization(module, pointers->data());
    detail::showTypesWithoutFoldedMethods(false);
#ifndef NDEBUG
    const Fills& fills = fillsOf(this);
    for (int i = 0; i < typeCount; ++i) {
        const int slot = detail::asciiRank(typeNames, typeCount, i);
        if (fills.types[std::size_t(slot)] != 1) {
            std::fprintf(stderr, "%s: the slot of type '%s' was filled %d times\n", qualifiedName, typeNames[i],
                         fills.types[std::size_t(slot)]);
            Py_FatalError(fatalText);
        }
    }
    for (int i = 0; i < converterCount; ++i) {
        if (fills.converters[std::size_t(i)] != 1) {
            std::fprintf(stderr, "%s: the slot of conversion '%s' was filled %d times\n", qualifiedName,
                         converterNames[i], fills.converters[std::size_t(i)]);
            Py_FatalError(fatalText);
        }
    }
#endif
    if (PyErr_Occurred()) {
        PyErr_Print();
        Py_FatalError(fatalText);
    }
    prepareWrongArguments(qualifiedName);
    return module;
}

namespace {

using ExceptionTable = QHash<QString, PyObject*>;

// Filled once, under the interpreter lock that every caller holds.
const ExceptionTable& exceptionTable()
{
    static ExceptionTable table;
    if (table.isEmpty()) {
        const std::initializer_list<std::pair<const char*, PyObject*>> rows = {
            {"VUVI_Exception", PyExc_Exception},
            {"VUVI_AssertionFailed", PyExc_AssertionError},
            {"VUVI_OperationFailed", PyExc_RuntimeError},
            {"VUVI_OperationCancelledByUser", PyExc_KeyboardInterrupt},
            {"VUVI_BadAlloc", PyExc_MemoryError},
            {"VUVI_OutOfRange", PyExc_IndexError},
            {"VUVI_BadSize", PyExc_BufferError},
            {"VUVI_BadState", PyExc_RuntimeError},
            {"VUVI_BadArgument", PyExc_ValueError},
            {"VUVI_BadFile", PyExc_OSError},
            {"VUVI_NotImplemented", PyExc_NotImplementedError},
            {"VUVI_UnexpectedException", PyExc_RuntimeError},
            {"VUVI_GandalfError", PyExc_RuntimeError},
            {"VUVI_ExternalException", PyExc_OSError},
            {"VUVI_OperationInProgress", PyExc_RuntimeError},
            {"PyTypeError", PyExc_TypeError},
        };
        for (const auto& row : rows)
            table.insert(QString::fromLatin1(row.first), row.second);
    }
    return table;
}

} // namespace

void translateException(const std::exception& error)
{
    // Exact class name only: a class derived from a listed one is not listed.
    const QString className = Bsc::detail::prettyTypeName(typeid(error).name());
    PyObject* pythonClass = exceptionTable().value(className, PyExc_RuntimeError);
    PyErr_SetString(pythonClass, error.what());
}

} // namespace Binding
