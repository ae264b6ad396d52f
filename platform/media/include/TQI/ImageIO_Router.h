#pragma once

#include <QString>

// Routes image reads and writes to the image readers and writers.
class TQI_ImageIO_Router
{
public:
    struct InitData
    {
        QString pluginPath;
        bool scanPlugins = false;
    };

    // The gamma an image file records; 1.0 when it records none or cannot
    // be read.
    float getGamma(const QString& path) const;
};
