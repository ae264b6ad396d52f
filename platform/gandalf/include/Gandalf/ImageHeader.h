#pragma once

// What the header of an image file tells of the image it holds: the file
// format, and the pixel format and channel type the pixels are stored in.

#include <Gandalf/Image.h>

enum Gan_ImageFileFormat
{
    GAN_UNKNOWN_FILE_FORMAT = 0,
    GAN_PNG_FILE_FORMAT = 1,
    GAN_TIFF_FILE_FORMAT = 2,
    GAN_JPEG_FILE_FORMAT = 3,
    GAN_DPX_FILE_FORMAT = 4,
    GAN_OPENEXR_FILE_FORMAT = 5,
};

struct Gan_ImageHeaderInfo
{
    Gan_ImageFileFormat file_format;
    Gan_ImageFormat format;
    Gan_Type type;
    unsigned long height;
    unsigned long width;
};

// A header of images in this pixel format and channel type, of no file
// format and no size yet.
void gan_initialise_image_header_info(Gan_ImageHeaderInfo* header, Gan_ImageFormat format, Gan_Type type);
