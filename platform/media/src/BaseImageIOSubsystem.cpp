#include "TQI/BaseImageIOSubsystem.h"

void TQI_BaseImageIOSubsystem::addImageFileFormatsSave(std::set<Dururev::ImageFileFormatDesc>& formats,
                                                       const QStringList& extensions,
                                                       const QList<Gan_ImageFormat>& pixelFormats,
                                                       const QList<Dururev::PixelType>& pixelTypes)
{
    for (const QString& extension : extensions) {
        for (Gan_ImageFormat format : pixelFormats) {
            for (const Dururev::PixelType& type : pixelTypes)
                formats.insert(Dururev::ImageFileFormatDesc{extension.toStdString(), format, type});
        }
    }
}
