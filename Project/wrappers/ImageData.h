#pragma once

#include "Enums.h"

#include <Bsc/GanImage.h>

class ImageLocation;
struct arrayobject;
struct _object;
typedef _object PyObject;

// One image handed to scripts: its size, pixel format and channel type, and
// its pixels as a Python array over the image's own memory (the image-memory
// bridge, PyImageMemorySuite.h). Copies share the image.
class ImageData
{
public:
    // No image.
    ImageData();
    // Shares the image and links it to its pixel array; the location tells
    // the core which frame a write through the array changes.
    ImageData(Bsc::detail::GanImage_Ptr<Gan_Image> image, ImageLocation location);
    ImageData(const ImageData&) = default;
    ImageData& operator=(const ImageData&) = default;

    virtual bool isNull() const;
    virtual ~ImageData();

    Gan_Image* image() const { return m_image.get(); }

    // Without an image: 0, 0, UndefinedFormat and UndefinedType.
    unsigned long get_width() const;
    unsigned long get_height() const;
    PixelFormat get_pixel_format() const;
    ChannelType get_channel_type() const;

    // Each stores the value in the image's field of that name and changes
    // nothing else: the image is not re-formed. A description may claim
    // more than the buffer holds; whatever reads the pixels then refuses
    // them, BufferError (VUVI_BadSize), the core's readers included.
    void set_width(unsigned long width);
    void set_height(unsigned long height);
    void set_pixel_format(PixelFormat format);
    void set_channel_type(ChannelType type);

    // The same image, or not.
    bool operator==(const ImageData& other) const { return m_image.get() == other.m_image.get(); }
    bool operator!=(const ImageData& other) const { return !(*this == other); }

    // Turns the image upside down in place; its array sees the change.
    void flip();

    // The three below need the interpreter lock.

    // A new weak reference to the array that shows the image's pixels; null
    // without an image or its memory. Refused while the description claims
    // more than the memory holds.
    PyObject* pixels();
    // A new array holding an upside-down copy of the pixels; null without an
    // image.
    PyObject* flippedPixels() const;
    // The image adopts the array's items as its pixels, and the calling
    // Python frame's names for the array become None.
    void setPixels(arrayobject* newArray);

private:
    // Without an image, RuntimeError (VUVI_BadState).
    Gan_Image* requireImage() const;

    Bsc::detail::GanImage_Ptr<Gan_Image> m_image;
};
