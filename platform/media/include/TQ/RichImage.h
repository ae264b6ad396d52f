#pragma once

#include <Bsc/GanImage.h>

#include <QMap>
#include <QString>
#include <QVariant>

namespace TQ {

// An image as the media library reads it: the pixels, shared, and what the
// file tells about them besides.
struct RichImage
{
    Bsc::detail::GanImage_Ptr<Gan_Image> image;
    QMap<QString, QVariant> metadata;
};

} // namespace TQ
