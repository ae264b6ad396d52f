#include "Dururev/Dururev.h"

#include <Bsc/Logger.h>


namespace TQ {

std::shared_ptr<void> RenderSuite::RenderObject::finish()
{
    return nullptr;
}

void RenderSuite::setOffscreenContext(std::shared_ptr<QOffscreenSurface> surface,
                                      std::shared_ptr<QOpenGLContext> context)
{
    Dururev::record(QStringLiteral("TQ::RenderSuite::setOffscreenContext %1 %2")
                        .arg(surface ? QStringLiteral("surface") : QStringLiteral("no-surface"),
                             context ? QStringLiteral("context") : QStringLiteral("no-context")));
    m_surface = std::move(surface);
    m_context = std::move(context);
    m_shutDown = false;
}

std::shared_ptr<RenderSuite::RenderObject> RenderSuite::currentObject() const
{
    return m_current;
}

void RenderSuite::setCurrentObject(std::shared_ptr<RenderObject> object)
{
    m_current = std::move(object);
}

void RenderSuite::shutdown()
{
    Dururev::record(QStringLiteral("TQ::RenderSuite::shutdown"));
    m_current.reset();
    m_surface.reset();
    m_context.reset();
    m_shutDown = true;
}

void checkCallbackStruct(Callbacks* callbacks)
{
    Dururev::record(QStringLiteral("TQ::checkCallbackStruct %1").arg(callbacks ? "record" : "null"));
}

} // namespace TQ

namespace Dururev {

namespace {

struct State
{
    TQI_ImageIO_Router::InitData initData;
    TQ::Callbacks callbacks;
    ThrowFunction throwFunction = nullptr;
};

State& state()
{
    static State s;
    return s;
}

void* answerInitialised(void*)
{
    static int initialised = 1;
    return &initialised;
}

} // namespace

void record(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call ") + call, Bsc::Logger::Debug);
}

void setInitData(const TQI_ImageIO_Router::InitData& data)
{
    record(QStringLiteral("Dururev::setInitData '%1' %2").arg(data.pluginPath).arg(data.scanPlugins));
    state().initData = data;
}

TQI_ImageIO_Router::InitData initData()
{
    return state().initData;
}

TQ::Callbacks* callbacks()
{
    return &state().callbacks;
}

void initialiseCallbacks(int options)
{
    record(QStringLiteral("Dururev::initialiseCallbacks %1").arg(options));
    state().callbacks.options = options;
    state().callbacks.initialised = &answerInitialised;
}

void resetCallbacks(TQ::Callbacks* callbacks)
{
    record(QStringLiteral("Dururev::resetCallbacks"));
    if (!callbacks)
        return;
    callbacks->error = nullptr;
    callbacks->progressStarted = nullptr;
    callbacks->progressMessage = nullptr;
    callbacks->progressStatus = nullptr;
    callbacks->progressFinished = nullptr;
    callbacks->initialised = nullptr;
    callbacks->options = -1;
}

void registerThrowFunction(ThrowFunction function)
{
    record(QStringLiteral("Dururev::registerThrowFunction"));
    state().throwFunction = function;
}

ThrowFunction throwFunction()
{
    return state().throwFunction;
}

void reportError(const QString& message)
{
    if (auto error = state().callbacks.error)
        error(0, message);
}

void reportProgressStarted()
{
    if (auto started = state().callbacks.progressStarted)
        started();
}

void reportProgressMessage(const char* text)
{
    if (auto message = state().callbacks.progressMessage)
        message(text);
}

void reportProgressStatus(unsigned int status)
{
    if (auto progress = state().callbacks.progressStatus)
        progress(status);
}

void reportProgressFinished()
{
    if (auto finished = state().callbacks.progressFinished)
        finished();
}

CacheSuite* CacheSuite::INSTANCE()
{
    static CacheSuite suite;
    return &suite;
}

void CacheSuite::vSetCacheOption(bool enabled)
{
    record(QStringLiteral("Dururev::CacheSuite::vSetCacheOption %1").arg(enabled));
    m_enabled = enabled;
}

void CacheSuite::vInitialiseCacheDir(const QString& folder)
{
    record(QStringLiteral("Dururev::CacheSuite::vInitialiseCacheDir %1").arg(folder));
    m_folder = folder;
}

} // namespace Dururev
