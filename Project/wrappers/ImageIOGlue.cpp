#include "ImageIOGlue.h"

#include "ImageData.h"
#include "PyArrayObject.h"
#include "PyExceptions.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <QCoreApplication>

namespace GlueHelpers {
namespace ImageIO {

namespace {

PyObject* orNone(PyObject* result)
{
    if (result)
        return result;
    Py_RETURN_NONE;
}

} // namespace

PyObject* getPixelBuffer(ImageData* image)
{
    return orNone(image->pixels());
}

PyObject* flippedPixels(ImageData* image)
{
    return orNone(image->flippedPixels());
}

void setPixelBuffer(ImageData* image, PyObject* pixels)
{
    PyTypeObject* arrayType = PyArrayLayout::arrayType();
    if (!arrayType) {
        PyErr_Clear();
        Rirediro::throwException<VUVI_OperationFailed>(
            __FILE__, __LINE__, QCoreApplication::translate("ImageIO", "The array module cannot be imported"), {});
    }
    if (!PyObject_TypeCheck(pixels, arrayType))
        throw PyExceptions::PyTypeError(
            QCoreApplication::translate("ImageIO", "Pixel data must be an instance of %1. %2 instance given")
                .arg(QString::fromUtf8(arrayType->tp_name), QString::fromUtf8(Py_TYPE(pixels)->tp_name)));
    image->setPixels(reinterpret_cast<arrayobject*>(pixels));
}

} // namespace ImageIO
} // namespace GlueHelpers
