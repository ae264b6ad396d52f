#pragma once

// The layout of Python's array.array objects and of their element
// descriptions. The array module keeps both private; the image bridge points
// arrays at image memory and wraps their element writer, so it mirrors them
// here, for exactly one interpreter version, and checks the mirror against a
// live array before it relies on it (arrayLayout).

#include <sbkpython.h>

#if PY_VERSION_HEX < 0x030B0000 || PY_VERSION_HEX >= 0x030C0000
#error "The array layout below is the one of Python 3.11; check it against the array module of this Python"
#endif

struct arrayobject;

// One element type of the array module (its eight fields, in order).
struct arraydescr
{
    char typecode;
    int itemsize;
    PyObject* (*getitem)(arrayobject* array, Py_ssize_t index);
    int (*setitem)(arrayobject* array, Py_ssize_t index, PyObject* value);
    int (*compareitems)(const void* first, const void* second, Py_ssize_t count);
    const char* formats;
    int is_integer_type;
    int is_signed;
};

// An array.array object. Its length (ob_size) and `allocated` count items.
struct arrayobject
{
    PyObject_VAR_HEAD
    char* ob_item;
    Py_ssize_t allocated;
    const arraydescr* ob_descr;
    PyObject* weakreflist;
    Py_ssize_t ob_exports; // buffers exported; while any exist the array cannot be resized
};

namespace PyArrayLayout {

// The type array.array (borrowed; the module is imported once), or null with
// the Python error set. The interpreter lock must be held.
PyTypeObject* arrayType();

enum class Layout { Matches, Differs, Unchecked };
// Whether a live array of this interpreter agrees with the mirror above:
// checked until the check comes to a verdict, which is kept. Unchecked,
// with the Python error set, when the check could not run (a RecursionError
// or a MemoryError on the way). The interpreter lock must be held.
Layout arrayLayout();

} // namespace PyArrayLayout
