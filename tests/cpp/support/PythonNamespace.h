#pragma once

// The names of one test's Python code, in an interpreter the test program
// runs: statements to run and expressions to read back as text. Python
// failures are printed and fail the test.

#include "PyRef.h"

#include <gtest/gtest.h>

#include <string>

class PythonNamespace
{
public:
    PythonNamespace() : m_dict(PyDict_New())
    {
        PyDict_SetItemString(m_dict.get(), "__builtins__", PyEval_GetBuiltins());
    }
    virtual ~PythonNamespace() { PyDict_Clear(m_dict.get()); }
    PythonNamespace(const PythonNamespace&) = delete;
    PythonNamespace& operator=(const PythonNamespace&) = delete;

    bool run(const std::string& code) const
    {
        PyRef result(PyRun_String(code.c_str(), Py_file_input, m_dict.get(), m_dict.get()));
        if (!result) {
            PyErr_Print();
            ADD_FAILURE() << "Python failed:\n" << code;
        }
        return bool(result);
    }
    std::string text(const std::string& expression) const
    {
        PyRef result(PyRun_String(expression.c_str(), Py_eval_input, m_dict.get(), m_dict.get()));
        PyRef shown(result ? PyObject_Str(result.get()) : nullptr);
        if (!shown) {
            PyErr_Print();
            ADD_FAILURE() << "Python failed: " << expression;
            return std::string();
        }
        return PyUnicode_AsUTF8(shown.get());
    }
    // Drops every name, so that what they held can die.
    void clear() const { PyDict_Clear(m_dict.get()); }
    PyObject* dict() const { return m_dict.get(); }
    // A borrowed reference to a name's object; null when there is none.
    PyObject* object(const char* name) const { return PyDict_GetItemString(m_dict.get(), name); }

private:
    PyRef m_dict;
};
