#pragma once

#include <QMutex>
#include <QString>

#include <memory>
#include <vector>

namespace Dururev {
class ImageIOModule;
}

// Routes image reads and writes to the image readers and writers: the
// registered modules first, newest first, then the library's own readers
// and writers (Footage.cpp). Modules are kept for the rest of the process.
class TQI_ImageIO_Router
{
public:
    struct InitData
    {
        QString pluginPath;
        bool scanPlugins = false;
    };

    TQI_ImageIO_Router();
    ~TQI_ImageIO_Router();

    // Takes the module over; it serves from now on.
    void registerModule(Dururev::ImageIOModule* module);
    // The registered modules, oldest first.
    std::vector<Dururev::ImageIOModule*> modules() const;

    // The module that reads the file: the newest whose bAcceptExtension of
    // the file's extension (dot included, case as written) and bAcceptFile
    // of the path answer true. Null: the library's own readers.
    Dururev::ImageIOModule* moduleForReading(const QString& path) const;
    // The module that writes the file: the newest whose bAcceptExtension of
    // the file's extension answers true. Null: the library's own writers.
    Dururev::ImageIOModule* moduleForWriting(const QString& path) const;

    // The gamma an image file records; 1.0 when it records none or cannot
    // be read.
    float getGamma(const QString& path) const;

private:
    mutable QMutex m_lock;
    std::vector<std::unique_ptr<Dururev::ImageIOModule>> m_modules;
};
