#include "PyAPI.h"

#include "Bootstrap.h"
#include "PyHelpers.h"

#include <Bsc/ProxyObject.h>
#include <GUI/ViewManager.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace GUI {
namespace Python {

namespace {

// The two signals an action relays to its proxy, in the order they are moved.
const char* const s_relayedSignals[] = {"2triggered()", "2toggled( bool )"};

// A time as a frame number: truncated toward zero, within int.
int frameOf(double time)
{
    if (std::isnan(time))
        return 0;
    return int(std::clamp(std::trunc(time), double(INT_MIN), double(INT_MAX)));
}

} // namespace

PyAPI* PyAPI::instance()
{
    static PyAPI api;
    return &api;
}

PyAPI::PyAPI()
{
    qRegisterMetaType<QAction*>();
    qRegisterMetaType<View>("View");
}

QVariant PyAPI::swapQActionProxy(QAction* action, QAction* newProxy)
{
    if (!action || !newProxy)
        return QVariant();
    const QPointer<QAction> oldProxy = Bsc::proxyObject<QAction>(action);
    if (!oldProxy)
        return QVariant();
    for (const char* signal : s_relayedSignals) {
        QObject::disconnect(action, signal, oldProxy.data(), signal);
        QObject::connect(action, signal, newProxy, signal, Qt::AutoConnection);
    }
    action->setProperty(Bsc::ProxyObjectProperty, QVariant::fromValue(QPointer<QAction>(newProxy)));
    return QVariant::fromValue<QAction*>(oldProxy.data());
}

void PyAPI::setDisplayedClip(Clip* clip)
{
    if (!clip)
        return;
    unsigned int id = 0;
    {
        const PyHelpers::CoreEntered core;
        id = clip->internalClip()->clipID();
    }
    // The viewer is the application's, not the core's.
    ViewManager::get().setClipToDisplay(id);
}

void PyAPI::setDisplayedView(View view)
{
    ViewManager::get().setView(view.getView());
}

QVariant PyAPI::displayedClip()
{
    return QVariant(ViewManager::get().currentViewClip());
}

QVariant PyAPI::displayedView()
{
    return QVariant::fromValue(View(ViewManager::get().view()));
}

int PyAPI::currentFrame()
{
    const PyHelpers::CoreEntered core;
    const VUVI_ProjectManager* project = currentProjectManager();
    return project ? frameOf(project->currentFrame().time.toDouble()) : 0;
}

void PyAPI::setCurrentFrame(int frame)
{
    const PyHelpers::CoreEntered core;
    VUVI_ProjectManager* project = currentProjectManager();
    if (!project)
        return;
    const qint64 last = qint64(project->projectProperties().length()) - 1;
    const qint64 chosen = std::min<qint64>(frame, last);
    project->frameManager().setCurrentFrame(
        Prm::Context(Prm::Time::fromDouble(double(chosen)), project->currentFrame().view, 3));
}

} // namespace Python
} // namespace GUI

GUI::Python::PyAPI* getPythonAPI()
{
    return GUI::Python::PyAPI::instance();
}
