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
};
