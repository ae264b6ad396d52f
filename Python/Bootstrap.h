#pragma once

// How the library runs: embedded in the GUI application (which has started
// the core and owns its progress reporting), or stand-alone in a plain
// interpreter, where the library starts the core's media side itself.

#include <TQ/ProgressWatcher.h>

#include <memory>

class QOffscreenSurface;
class QOpenGLContext;
class VUVI_ProjectManager;

// True when the interpreter runs inside the GUI application, whose program
// name for it is "plinx-python".
bool isEmbedded();

// Stand-alone start-up; does nothing when embedded or already started.
void pyBootstrap();
// Stand-alone shut-down at interpreter exit; a later pyBootstrap starts again.
void pyCleanup();

// The core progress watcher of the process: the application's when embedded,
// the library's own otherwise. Null when the application does not answer.
TQ::ProgressWatcher::Ptr progressWatcher();

// The application's current project, asked of the application object
// ("currentProject"). Null without application object, when the
// application has no project or does not answer, and off the application's
// thread (the answer cannot cross threads).
VUVI_ProjectManager* currentProjectManager();

// The offscreen OpenGL pair handed to the render suite.
struct OffscreenRender
{
    std::shared_ptr<QOffscreenSurface> surface;
    std::shared_ptr<QOpenGLContext> context;
};
OffscreenRender& render();
