#pragma once

#include <Gandalf/ImageHeader.h>

#include <QSize>
#include <QString>
#include <QVector>

namespace TQ {

// What an image reader tells of one picture of a file before reading it.
struct ImageInformation
{
    QVector<QString> streamNames;
    Gan_Type channelType = GAN_UNDEFINED_TYPE;
    // The reader's own value, carried along and not read by the library.
    int channelTag = 0;
    Gan_ImageFormat pixelFormat = GAN_UNDEFINED_IMAGE_FORMAT;
    QSize size{-1, -1};
    Gan_ImageHeaderInfo header{};
};

} // namespace TQ
