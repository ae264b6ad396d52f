#pragma once

// An owned reference to a Python object, given back when it goes.

#include <sbkpython.h>

#include <memory>

struct Decref
{
    void operator()(PyObject* object) const { Py_XDECREF(object); }
};
using PyRef = std::unique_ptr<PyObject, Decref>;
