#include "TQI/ImageIO_Router.h"

#include "Dururev/Dururev.h"

#include "MovieReader.h"

#include <OpenImageIO/imageio.h>

#include <QFileInfo>

float TQI_ImageIO_Router::getGamma(const QString& path) const
{
    // Movies record no gamma that their reader passes on.
    if (!QFileInfo(path).isFile() || Dururev::movie::isMovie(path))
        return 1.0f;
    std::unique_ptr<OIIO::ImageInput> input = OIIO::ImageInput::open(path.toUtf8().toStdString());
    if (!input) {
        OIIO::geterror();
        return 1.0f;
    }
    const float gamma = input->spec().get_float_attribute("oiio:Gamma", 1.0f);
    return gamma > 0.0f ? gamma : 1.0f;
}

namespace Dururev {

TQI_ImageIO_Router* imageSuite(bool)
{
    static TQI_ImageIO_Router router;
    return &router;
}

} // namespace Dururev
