#include "Gandalf/ImageHeader.h"

void gan_initialise_image_header_info(Gan_ImageHeaderInfo* header, Gan_ImageFormat format, Gan_Type type)
{
    if (!header)
        return;
    header->file_format = GAN_UNKNOWN_FILE_FORMAT;
    header->format = format;
    header->type = type;
    header->height = 0;
    header->width = 0;
}
