#pragma once

#include "TQ/FilmType.h"
#include "TQ/InterlaceMode.h"

#include <QSize>

// What a clip's source footage is: frame size, rate, interlacing and the
// film it was shot on. Shared by every clip made from that footage.
class TQ_BaseClipInfo
{
public:
    QSize size() const { return QSize(int(m_frameWidth), int(m_frameHeight)); }
    unsigned int frameWidth() const { return m_frameWidth; }
    unsigned int frameHeight() const { return m_frameHeight; }
    void setFrameWidth(unsigned int width) { m_frameWidth = width; }
    void setFrameHeight(unsigned int height) { m_frameHeight = height; }

    float frameRate() const { return m_frameRate; }
    void setFrameRate(float rate) { m_frameRate = rate; }
    // The project frame that shows the clip's first frame.
    int firstFrameOffset() const { return m_firstFrameOffset; }
    void setFirstFrameOffset(int offset) { m_firstFrameOffset = offset; }
    TQ_INTERLACE_MODE interlaceMode() const { return m_interlaceMode; }
    void setInterlaceMode(TQ_INTERLACE_MODE mode) { m_interlaceMode = mode; }

    const TQ::FilmType& filmType() const { return m_filmType; }
    void setFilmType(const TQ::FilmType& type) { m_filmType = type; }
    double filmBackAspect() const { return m_filmBackAspect; }
    void setFilmBackAspect(double aspect) { m_filmBackAspect = aspect; }
    double pixelAspect() const { return m_pixelAspect; }
    void setPixelAspect(double aspect) { m_pixelAspect = aspect; }

    // Where the image sits on the film back: offset and scale.
    float imageOffsetX() const { return m_imageOffsetX; }
    float imageOffsetY() const { return m_imageOffsetY; }
    float imageScale() const { return m_imageScale; }
    void setImagePlacement(float offsetX, float offsetY, float scale)
    {
        m_imageOffsetX = offsetX;
        m_imageOffsetY = offsetY;
        m_imageScale = scale;
    }

private:
    unsigned int m_frameWidth = 0;
    unsigned int m_frameHeight = 0;
    float m_frameRate = 24.0f;
    int m_firstFrameOffset = 0;
    TQ_INTERLACE_MODE m_interlaceMode = TQ_NOT_INTERLACED;
    TQ::FilmType m_filmType;
    double m_filmBackAspect = 0.0;
    double m_pixelAspect = 1.0;
    float m_imageOffsetX = 0.0f;
    float m_imageOffsetY = 0.0f;
    float m_imageScale = 1.0f;
};
