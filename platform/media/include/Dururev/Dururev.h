#pragma once

// Start-up and shut-down of the media library, and the reports the core
// makes through its callback record.

#include <TQ/Callbacks.h>
#include <TQI/ImageIO_Router.h>

#include <QString>

namespace Dururev {

using ThrowFunction = void (*)(const char* file, int line, const QString& message, const QString& detail);

void setInitData(const TQI_ImageIO_Router::InitData& data);
TQI_ImageIO_Router::InitData initData();

// The process's callback record.
TQ::Callbacks* callbacks();
void initialiseCallbacks(int options);
void resetCallbacks(TQ::Callbacks* callbacks);

void registerThrowFunction(ThrowFunction function);
ThrowFunction throwFunction();

// What the core reports, through the callbacks that are installed (a report
// without callback is dropped).
void reportError(const QString& message);
void reportProgressStarted();
void reportProgressMessage(const char* text);
void reportProgressStatus(unsigned int status);
void reportProgressFinished();

// Records a call made on the library in the application log ("call ...").
void record(const QString& call);

// The image reader and writer router of the process.
TQI_ImageIO_Router* imageSuite(bool initialise);

class CacheSuite
{
public:
    static CacheSuite* INSTANCE();

    void vSetCacheOption(bool enabled);
    void vInitialiseCacheDir(const QString& folder);

    bool cacheEnabled() const { return m_enabled; }
    QString cacheDir() const { return m_folder; }

private:
    bool m_enabled = true;
    QString m_folder;
};

} // namespace Dururev
