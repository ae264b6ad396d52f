#pragma once

#include "Project/wrappers/Clip.h"
#include "Project/wrappers/View.h"

#include <QAction>
#include <QObject>
#include <QVariant>

namespace GUI {
namespace Python {

// The object through which the GUI application drives the scripting side.
// There is one per process, handed out by getPythonAPI. The application
// calls its slots by name through Qt's meta-object system; they keep no
// state and act on the viewer and on the application's current project.
class PyAPI : public QObject
{
    Q_OBJECT
public:
    static PyAPI* instance();

private:
    PyAPI();

private Q_SLOTS:
    // Makes `action` drive `newProxy` in place of its present proxy and
    // returns that proxy ("QAction *"); an invalid variant, changing
    // nothing, when either argument is null or the action has no proxy.
    QVariant swapQActionProxy(QAction* action, QAction* newProxy);
    // Shows the clip in the viewer; a null clip changes nothing.
    void setDisplayedClip(Clip* clip);
    void setDisplayedView(View view);
    // The id of the clip shown (unsigned int), and the view shown ("View").
    QVariant displayedClip();
    QVariant displayedView();
    // The current project's current frame, truncated; 0 without project.
    int currentFrame();
    // Moves the current project to `frame`, at most its last frame (lower
    // frames go on as they are); nothing without project.
    void setCurrentFrame(int frame);
};

} // namespace Python
} // namespace GUI

// The process's host API object, for the application that embeds the
// interpreter; looked up by name.
extern "C" Q_DECL_EXPORT GUI::Python::PyAPI* getPythonAPI();
