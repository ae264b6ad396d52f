#include "TQ/FilmType.h"

namespace TQ {

double FilmType::pixelAspectRatio(const QSize&, bool interlaced) const
{
    return interlaced ? m_pixelAspect / 2.0 : m_pixelAspect;
}

} // namespace TQ

namespace {

struct KnownType
{
    const char* name;
    int width;
    int height;
    double pixelAspect;
    bool video; // interlaced video formats match interlaced footage only
};

const KnownType knownTypes[] = {
    {"PAL", 720, 576, 1.0926, true},
    {"NTSC", 720, 486, 0.9, true},
    {"HD 720", 1280, 720, 1.0, false},
    {"HD 1080", 1920, 1080, 1.0, false},
    {"2K Full Aperture", 2048, 1556, 1.0, false},
    {"UHD", 3840, 2160, 1.0, false},
    {"4K Full Aperture", 4096, 3112, 1.0, false},
};

TQ::FilmType makeType(const QString& name, const QSize& size, double pixelAspect)
{
    const double filmBackAspect = size.height() > 0 ? pixelAspect * size.width() / size.height() : 0.0;
    return TQ::FilmType(name, size, filmBackAspect, pixelAspect);
}

} // namespace

TQ::FilmType TQ_FilmTypeFactory::bestMatchForSize(const QSize& size, bool interlaced)
{
    for (const KnownType& known : knownTypes) {
        if (known.width == size.width() && known.height == size.height() && (!known.video || interlaced))
            return makeType(QString::fromLatin1(known.name), size, known.pixelAspect);
    }
    return TQ::FilmType();
}

TQ::FilmType TQ_FilmTypeFactory::customTypeForParAndDims(double pixelAspect, const QSize& size, bool)
{
    if (size.isEmpty() || !(pixelAspect > 0.0))
        return TQ::FilmType();
    return makeType(QStringLiteral("Custom %1x%2").arg(size.width()).arg(size.height()), size, pixelAspect);
}
