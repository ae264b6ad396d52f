#pragma once

// The media library's callback record: how the core reports errors and
// progress to whoever runs it, and the render suite it renders with.

#include <QString>

#include <memory>

class QOffscreenSurface;
class QOpenGLContext;

namespace TQ {

class RenderSuite
{
public:
    // Work in flight on the render suite.
    class RenderObject
    {
    public:
        virtual ~RenderObject() = default;
        // Completes pending work; the result is whatever the work produced.
        virtual std::shared_ptr<void> finish();
    };

    void setOffscreenContext(std::shared_ptr<QOffscreenSurface> surface, std::shared_ptr<QOpenGLContext> context);
    std::shared_ptr<RenderObject> currentObject() const;
    void setCurrentObject(std::shared_ptr<RenderObject> object);
    void shutdown();

    std::shared_ptr<QOffscreenSurface> surface() const { return m_surface; }
    std::shared_ptr<QOpenGLContext> context() const { return m_context; }
    bool isShutDown() const { return m_shutDown; }

private:
    std::shared_ptr<QOffscreenSurface> m_surface;
    std::shared_ptr<QOpenGLContext> m_context;
    std::shared_ptr<RenderObject> m_current;
    bool m_shutDown = false;
};

struct Callbacks
{
    using ErrorFunction = void (*)(int, const QString&);
    using NotifyFunction = void (*)();
    using MessageFunction = void (*)(const char*);
    using StatusFunction = void (*)(unsigned int);
    using QueryFunction = void* (*)(void*);

    ErrorFunction error = nullptr;
    NotifyFunction progressStarted = nullptr;
    MessageFunction progressMessage = nullptr;
    StatusFunction progressStatus = nullptr;
    NotifyFunction progressFinished = nullptr;
    // Non-null for a null argument once the callbacks are initialised.
    QueryFunction initialised = nullptr;
    // Render options: bit 0 no GPU rendering, bit 1 no application object.
    int options = -1;
    RenderSuite renderSuite;
};

// Checks a record before callbacks go into it.
void checkCallbackStruct(Callbacks* callbacks);

} // namespace TQ
