#include "Module.h"

#include <Bsc/TypeName.h>

#include <autodecref.h>
#include <sbkmodule.h>

#include <QHash>
#include <QString>

#include <typeinfo>

namespace Binding {

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
    return !imported.isNull();
}

PyObject* Module::create(PyModuleDef* definition, PyTypeObject** typeStorage, SbkConverter** converterStorage)
{
    types = typeStorage;
    converters = converterStorage;
    return Shiboken::Module::create(definition->m_name, definition);
}

PyObject* Module::finish(PyObject* module, const char* fatalText) const
{
    Shiboken::Module::registerTypes(module, types);
    Shiboken::Module::registerTypeConverters(module, converters);
    if (PyErr_Occurred()) {
        PyErr_Print();
        Py_FatalError(fatalText);
    }
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
