#include "app/QuarnGuiHost.h"

#include "app/HostSupport.h"

#include <GUI/GUIApplication.h>
#include <GUI/Project.h>
#include <GUI/ViewManager.h>
#include <GUI/frmMain.h>
#include <Product/Settings.h>
#include <Rirediro/Clips/VUVI_Clip.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Commands/VUVI_SelectSelectionCommand.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>

#include <Bsc/Logger.h>

#include <boost/bind/bind.hpp>

namespace GUI {

namespace {

void warn(const QString& message)
{
    Bsc::Logger::writeToLog(QStringLiteral("GUI::QuarnGuiHost: ") + message, Bsc::Logger::Warning);
}

} // namespace

boost::shared_ptr<QuarnGuiHost> QuarnGuiHost::create(GUIApplication* application, MXIHost& host,
                                                     TQ::Callbacks& callbacks)
{
    return HostSupport::createForCallMode<QuarnGuiHost>(AcceptedCallModes, application, host, callbacks);
}

QuarnGuiHost::QuarnGuiHost(GUIApplication* application, MXIHost& host, TQ::Callbacks& callbacks)
    : QuarnInteractiveHost(host, callbacks), m_application(application)
{
    enterModal();
}

QuarnGuiHost::~QuarnGuiHost()
{
    HostSupport::exitModalFromDestructor(*this, "GUI::QuarnGuiHost");
}

void QuarnGuiHost::clearSelection(VUVI_ProjectManager& project)
{
    project.selectionManager()->vUnSelectAllLayers();
    project.toolManager().setCurrentLayer(
        boost::shared_ptr<VUVI_Layer>(),
        Prm::Context(Prm::Time::fromDouble(Prm::Time::INVALID_TIME_VALUE), Prm::View(Prm::View::defaultViewId()), 3));
}

void QuarnGuiHost::exitModal()
{
    if (!usesProjectsCache()) {
        // An empty function object throws boost::bad_function_call.
        const boost::shared_ptr<Rirediro::ProjectHandBack> handBack = projectHandBack()();
        if (handBack)
            handBack->commit();
        else
            warn(QStringLiteral("nothing took the host's project back"));
    }
    if (const boost::shared_ptr<VUVI_ProjectManager>& project = projectManager()) {
        clearSelection(*project);
        project->selectionManager()->flushImageCaches();
        project->commandManager()->clear();
    }
    QuarnInteractiveHost::exitModal();
}

void QuarnGuiHost::onGuiProjectLoaded()
{
    const boost::shared_ptr<VUVI_ProjectManager>& project = projectManager();
    if (!project)
        return;
    for (const boost::shared_ptr<Rirediro::HostSource>& source : sources()) {
        if (!source->isTracked())
            continue;
        const std::map<unsigned int, VUVI_Layer*> layers = findPointTrackingLayers(source->identifier());
        if (layers.empty())
            continue;
        const auto entry = layers.find(source->identifier());
        VUVI_Layer* layer = entry == layers.end() ? nullptr : entry->second;
        if (!layer) {
            warn(QStringLiteral("the host tracks source %1 with no layer of the project; the selection stays")
                     .arg(source->identifier()));
            return;
        }
        clearSelection(*project);
        // Run at once and kept out of the history: the selection is not an edit.
        VUVI_SelectSelectionCommand select(project.get(), project->currentFrame(), layer->layerID(),
                                           VUVI_SelectSelectionCommand::AllContours);
        select.doIt();
        return;
    }
}

int QuarnGuiHost::callMode() const
{
    return QuarnInteractiveHost::callMode();
}

void QuarnGuiHost::conformProject(Rirediro::IProjectHandle& handle, ConformOptions options)
{
    const boost::shared_ptr<VUVI_ProjectManager>& project = projectManager();
    if (!project)
        return;
    QuarnInteractiveHost::conformProject(handle, options);
    ViewManager& viewer = ViewManager::get();
    const VUVI_Clip* shown = project->frameManager().findClip(viewer.currentViewClip());
    if (shown && !shown->hasFrame(project->currentFrame())) {
        // Switching the viewer is no change of the project's own.
        const bool changed = project->projectHasChanged();
        viewer.setClipToDisplay(ProjectOutputClip);
        project->vSetProjectHasChanged(changed);
    }
}

bool QuarnGuiHost::usesProjectsCache() const
{
    return Product::Settings::usingProjectsCache(true);
}

void QuarnGuiHost::loadHostProject()
{
    openProject(ProjectOpener(boost::bind(&QuarnGuiHost::openProjectInGui, this, boost::placeholders::_1)));
}

bool QuarnGuiHost::swapViews() const
{
    if (Product::Settings::value(QStringLiteral("MaxViews"), 3u, true).toUInt() < 2)
        return false;
    if (!mxiHost().hasCapability(SwappedViewsCapability))
        return false;
    return mxiHost().viewsSwapped();
}

boost::shared_ptr<VUVI_ProjectManager> QuarnGuiHost::openProjectInGui(Rirediro::IProjectHandle& handle)
{
    frmMain* window = m_application ? m_application->mainWindow() : nullptr;
    if (!window) {
        warn(QStringLiteral("there is no main window to open the host's project in"));
        return boost::shared_ptr<VUVI_ProjectManager>();
    }
    window->openProjectHandle(handle);
    VUVI_ProjectManager* manager = GUI::Project::get().manager();
    if (!manager)
        return boost::shared_ptr<VUVI_ProjectManager>();
    return manager->shared_from_this();
}

} // namespace GUI
