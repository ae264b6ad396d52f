#pragma once

// What the ImageData binding calls for the pixel operations. Each runs with
// the interpreter lock held, for its whole length.

class ImageData;
struct _object;
typedef _object PyObject;

namespace GlueHelpers {
namespace ImageIO {

// New reference: a weak reference to the array that shows the image's
// pixels, or None without an image.
PyObject* getPixelBuffer(ImageData* image);

// New reference: a new array holding an upside-down copy of the pixels, or
// None without an image.
PyObject* flippedPixels(ImageData* image);

// Hands `pixels` to ImageData::setPixels; throws PyExceptions::PyTypeError
// when it is not an array.array.
void setPixelBuffer(ImageData* image, PyObject* pixels);

} // namespace ImageIO
} // namespace GlueHelpers
