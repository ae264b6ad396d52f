#pragma once

// The image-memory bridge: an image's pixel buffer seen by Python as the
// items of an array.array, with no copy.
//
// The bridge installs its table of memory hooks in front of an image's own,
// so that the image's array follows the buffer when the image library
// resizes, moves or releases it, and gives the array an element writer that
// reports item writes to the CacheInvalidator. An array keeps the memory it
// shows for as long as it lives: when an image lets go of its buffer while
// Python still holds the array (itself, a memoryview, a numpy view), the
// buffer is kept until the array dies. While linked, an array holds one
// exported buffer of the bridge's, so Python cannot resize it.
//
// Locks: the interpreter lock for everything that touches Python objects
// (the hooks take it themselves, and skip Python work once the interpreter
// is gone); the bridge's table of arrays has a mutex of its own, always
// taken after the interpreter lock and never held while Python code runs.

#include <Gandalf/Image.h>

#include <cstddef>

class ImageLocation;
struct arrayobject;
struct _object;
typedef _object PyObject;

namespace PyImageMemorySuite {

// The array type code of images of a channel type ('b' for the types that
// have no code of their own).
char arrayTypeCode(Gan_Type type);

// Throws VUVI_OperationFailed when this interpreter's arrays are not laid
// out as the bridge expects. Interpreter lock held.
void requireArrayBridge();

// Takes the image over (its hooks, a pixel array over its buffer, or the one
// it already has) and records the location when it names a frame. Takes the
// interpreter lock itself; does nothing when Python is not running, its
// arrays are refused or the image has no pixels.
void linkImage(Gan_Image* image, const ImageLocation& location);

// The image's pixel array (borrowed), linking the image first when needed.
// Interpreter lock held.
arrayobject* pixelArray(Gan_Image* image);

// A new array of the type code of `type` over `buffer` (from PyMem_Malloc,
// `size` bytes), which it owns from then on, also when making it fails.
// Not linked to any image. Interpreter lock held.
PyObject* newOwningArray(Gan_Type type, void* buffer, size_t size);

// The image gives up its pixel buffer (released through its own release
// routine, exactly once) and adopts the items of `array` as its buffer, with
// its layout re-formed over them. Either the array is the image's buffer
// afterwards, or the call throws with nothing changed: VUVI_BadSize when the
// image's layout reaches past the array, VUVI_BadArgument when the array
// shows another image's memory, VUVI_BadAlloc when there is no memory for
// the image's rows. Interpreter lock held.
void adoptArray(Gan_Image* image, arrayobject* array);

// VUVI_BadSize unless rows `stride` bytes apart, in the layout given or the
// image's, lie within `bytes` of pixels, each row within its stride.
void requireLayoutWithin(Gan_ImageFormat format, Gan_Type type, unsigned long height, unsigned long width,
                         unsigned long stride, size_t bytes);
void requireLayoutWithin(const Gan_Image* image, unsigned long stride, size_t bytes);

// The image, which shows pixels it does not own, lets go of them for good:
// an array Python still holds of them is left empty (unless Python code
// holds a buffer of it, a memoryview or a numpy view), and the image has no
// pixels, and so no array, from then on. Takes the interpreter lock itself.
void withdrawPixels(Gan_Image* image);

// Whether `owner`'s pixels can be lent to Python for a call and, should
// Python keep a view of them past it, be handed over for good (a buffer of
// the library's heap that the image owns). Otherwise lend a copy.
bool canLendPixels(const Gan_Image& owner);

// Ends the loan of `owner`'s pixels through `borrower`, an image made over
// them for the loan, as withdrawPixels does. When Python still holds a
// buffer of them (a memoryview, a numpy view), the lent buffer becomes
// Python's, freed when its last view dies, and `owner` goes on over a copy:
// no view ever reaches memory the core frees. Takes the interpreter lock
// itself.
void endPixelLoan(Gan_Image* borrower, Gan_Image& owner);

// Sets to None every local name of the calling Python frame that refers to
// `array`. Interpreter lock held.
void clearCallerNames(arrayobject* array);

// Reports the image changed, as an item write through its array does.
// Interpreter lock held.
void markChanged(Gan_Image* image);

} // namespace PyImageMemorySuite
