#include "PyArrayObject.h"

#include <atomic>
#include <cstring>

namespace PyArrayLayout {

namespace {

// Compares the mirror with what Python itself says of a small array: its
// length, item size, type code and items, and how a weak reference and an
// exported buffer show in the object.
bool liveArrayAgrees(PyObject* object)
{
    auto* array = reinterpret_cast<arrayobject*>(object);
    if (Py_SIZE(object) != 3 || array->allocated < 3 || !array->ob_item || !array->ob_descr)
        return false;
    const arraydescr* descr = array->ob_descr;
    if (descr->typecode != 'i' || descr->itemsize != int(sizeof(int)) || !descr->getitem || !descr->setitem
        || !descr->formats || std::strcmp(descr->formats, "i") != 0)
        return false;
    const int* items = reinterpret_cast<const int*>(array->ob_item);
    if (items[0] != 7 || items[1] != 8 || items[2] != 9)
        return false;

    PyObject* itemSize = PyObject_GetAttrString(object, "itemsize");
    const bool sizeAgrees = itemSize && PyLong_AsLong(itemSize) == descr->itemsize;
    Py_XDECREF(itemSize);
    if (!sizeAgrees || array->weakreflist || array->ob_exports != 0)
        return false;

    PyObject* reference = PyWeakref_NewRef(object, nullptr);
    const bool weakAgrees = reference && array->weakreflist == reference;
    Py_XDECREF(reference);
    PyObject* view = PyMemoryView_FromObject(object);
    const bool exportAgrees = view && array->ob_exports == 1;
    Py_XDECREF(view);
    return weakAgrees && exportAgrees && array->ob_exports == 0;
}

Layout checkLayout()
{
    PyTypeObject* type = arrayType();
    if (!type)
        return Layout::Unchecked;
    if (type->tp_basicsize != Py_ssize_t(sizeof(arrayobject)))
        return Layout::Differs;
    PyObject* array = PyObject_CallFunction(reinterpret_cast<PyObject*>(type), "C(iii)", int('i'), 7, 8, 9);
    if (!array)
        return Layout::Unchecked;
    const bool agrees = liveArrayAgrees(array);
    Py_DECREF(array);
    if (PyErr_Occurred()) // the check itself failed (a RecursionError, a MemoryError)
        return Layout::Unchecked;
    return agrees ? Layout::Matches : Layout::Differs;
}

} // namespace

PyTypeObject* arrayType()
{
    static PyObject* type = nullptr;
    if (!type) {
        PyObject* module = PyImport_ImportModule("array");
        if (!module)
            return nullptr;
        PyObject* found = PyObject_GetAttrString(module, "array");
        Py_DECREF(module);
        if (!found)
            return nullptr;
        if (!PyType_Check(found)) {
            Py_DECREF(found);
            PyErr_SetString(PyExc_TypeError, "array.array is not a type");
            return nullptr;
        }
        if (type) // another thread got there while the import ran
            Py_DECREF(found);
        else
            type = found; // kept for the life of the process
    }
    return reinterpret_cast<PyTypeObject*>(type);
}

Layout arrayLayout()
{
    // A verdict is kept; a check that could not run is made again.
    static std::atomic<int> verdict{-1};
    if (verdict >= 0)
        return Layout(verdict.load());
    const Layout found = checkLayout();
    if (found != Layout::Unchecked)
        verdict = int(found);
    return found;
}

} // namespace PyArrayLayout
