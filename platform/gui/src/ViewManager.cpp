#include "GUI/ViewManager.h"

#include "GUI/Project.h"
#include "GuiSupport.h"

#include <Rirediro/Project/VUVI_ProjectManager.h>

ViewManager& ViewManager::get()
{
    static ViewManager manager;
    return manager;
}

void ViewManager::setClipToDisplay(unsigned int clipID)
{
    GuiSupport::recordCall(QStringLiteral("ViewManager::setClipToDisplay %1").arg(clipID));
    m_clip = clipID;
    // The project remembers what the viewer shows.
    if (VUVI_ProjectManager* project = GUI::Project::get().manager())
        project->vSetProjectHasChanged(true);
}

void ViewManager::setView(const Prm::View& view)
{
    GuiSupport::recordCall(QStringLiteral("ViewManager::setView %1").arg(view.id()));
    m_view = view;
}
