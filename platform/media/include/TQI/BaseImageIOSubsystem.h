#pragma once

#include <Dururev/ImageIOModule.h>

#include <QList>
#include <QStringList>

// The base of the image readers and writers that plug into the media library.
class TQI_BaseImageIOSubsystem : public Dururev::ImageIOModule
{
protected:
    // Adds what a writer saves: every extension with every pixel format and
    // every channel type.
    static void addImageFileFormatsSave(std::set<Dururev::ImageFileFormatDesc>& formats,
                                        const QStringList& extensions, const QList<Gan_ImageFormat>& pixelFormats,
                                        const QList<Dururev::PixelType>& pixelTypes);
};
