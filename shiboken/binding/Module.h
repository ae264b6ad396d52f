#pragma once

// One Python module of the package plinx, as the binding frame sees it.

#include <sbkpython.h>

#include <exception>
#include <initializer_list>

struct SbkConverter;

namespace Binding {

using ExceptionHook = void (*)(const std::exception&);

// The tables and the exception hook of one module. Each module defines one
// instance with constant initialisation, so that bound types and functions of
// the module can refer to it from any translation unit at start-up.
struct Module
{
    const char* qualifiedName; // "plinx.project"
    PyTypeObject** types = nullptr;
    SbkConverter** converters = nullptr;
    ExceptionHook setPythonError = nullptr;

    // Sets the Python error for an exception thrown by an API call.
    void raise(const std::exception& error) const;
    // Sets the Python error for a thrown object that is no std::exception.
    static void raiseUnknown();

    // Imports a binding module (PySide2.QtCore, plinx.project...). On failure
    // the import error stays pending and false is returned.
    static bool importBindingModule(const char* name);

    // Creates the module object over the module's tables.
    PyObject* create(PyModuleDef* definition, PyTypeObject** typeStorage, SbkConverter** converterStorage);

    // Publishes the tables; stops the process when start-up left an error.
    PyObject* finish(PyObject* module, const char* fatalText) const;
};

// The exception translator that every module installs as its hook: the
// Python exception class is chosen by the exact name of the exception's class.
void translateException(const std::exception& error);

} // namespace Binding
