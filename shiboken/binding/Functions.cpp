#include "Functions.h"

#include <cstdio>

namespace Binding {

void passThrough(PyObject*, void*)
{
}

void raiseWrongArguments(PyObject* args, const CallSite& site)
{
    Shiboken::setErrorAboutWrongArguments(args, site.qualifiedName.c_str(), nullptr);
    if (PyErr_ExceptionMatches(PyExc_TypeError))
        return;
    // The runtime finds its signature texts by evaluating the qualified name,
    // which fails for getters and setters folded into properties; their
    // callers still get the wrong-arguments TypeError.
    PyErr_Clear();
    std::string given;
    if (args && PyTuple_Check(args)) {
        for (Py_ssize_t i = 0; i < PyTuple_GET_SIZE(args); ++i) {
            if (i)
                given += ", ";
            given += Py_TYPE(PyTuple_GET_ITEM(args, i))->tp_name;
        }
    } else if (args) {
        given = Py_TYPE(args)->tp_name;
    }
    PyErr_Format(PyExc_TypeError, "'%s' called with wrong argument types:\n  %s(%s)", site.qualifiedName.c_str(),
                 site.qualifiedName.c_str(), given.c_str());
}

void raiseArgumentCount(const CallSite& site, int least, Py_ssize_t given)
{
    char text[256];
    std::snprintf(text, sizeof text, "%s(): takes at least %d arguments (%d given)", site.qualifiedName.c_str(), least,
                  int(given));
    PyErr_SetString(PyExc_TypeError, text);
}

void raiseRepeatedKeyword(const CallSite& site, const char* name)
{
    PyErr_Format(PyExc_TypeError, "%s(): got multiple values for keyword argument '%s'.", site.qualifiedName.c_str(),
                 name);
}

bool unpackPositional(PyObject* args, const char* name, Py_ssize_t least, Py_ssize_t most, PyObject** out)
{
    // PyArg_UnpackTuple takes its outputs one by one; most bound functions
    // have few parameters, so spell out the counts that occur.
    PyObject** o = out;
    switch (most) {
    case 0: return PyArg_UnpackTuple(args, name, least, most);
    case 1: return PyArg_UnpackTuple(args, name, least, most, &o[0]);
    case 2: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1]);
    case 3: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2]);
    case 4: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3]);
    case 5: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4]);
    case 6: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5]);
    case 7: return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6]);
    case 8:
        return PyArg_UnpackTuple(args, name, least, most, &o[0], &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7]);
    default: break;
    }
    // Beyond eight parameters the same checks, read directly.
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    if (count < least || count > most) {
        PyErr_Format(PyExc_TypeError, "%s expected %s%zd argument%s, got %zd", name,
                     count < least ? "at least " : "at most ", count < least ? least : most,
                     (count < least ? least : most) == 1 ? "" : "s", count);
        return false;
    }
    for (Py_ssize_t i = 0; i < count; ++i)
        out[i] = PyTuple_GET_ITEM(args, i);
    return true;
}

} // namespace Binding
