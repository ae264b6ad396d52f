#pragma once

#include <QSize>
#include <QString>

namespace TQ {

// A kind of film or video frame: its name, the aspect ratio of the film back
// it was shot on and the shape of its pixels.
class FilmType
{
public:
    FilmType() = default;
    FilmType(const QString& name, const QSize& size, double filmBackAspect, double pixelAspect)
        : m_name(name), m_size(size), m_filmBackAspect(filmBackAspect), m_pixelAspect(pixelAspect)
    {
    }

    // A type that names nothing is invalid (the default one).
    bool isValid() const { return !m_name.isEmpty() && m_filmBackAspect > 0.0 && m_pixelAspect > 0.0; }
    const QString& name() const { return m_name; }
    const QSize& size() const { return m_size; }
    double getFilmBackAspectRatio() const { return m_filmBackAspect; }
    // The width of a pixel over its height for frames of `size`; a field of
    // an interlaced frame has pixels twice as high.
    double pixelAspectRatio(const QSize& size, bool interlaced) const;

private:
    QString m_name;
    QSize m_size;
    double m_filmBackAspect = 0.0;
    double m_pixelAspect = 0.0;
};

} // namespace TQ

// The film types the media library knows.
class TQ_FilmTypeFactory
{
public:
    // The known type of exactly that frame size (interlaced video sizes only
    // for interlaced footage); an invalid type when none has it.
    static TQ::FilmType bestMatchForSize(const QSize& size, bool interlaced);
    // A type made for footage no known type describes.
    static TQ::FilmType customTypeForParAndDims(double pixelAspect, const QSize& size, bool interlaced);
};
