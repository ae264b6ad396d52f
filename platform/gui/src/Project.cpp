#include "GUI/Project.h"

#include "GuiSupport.h"

#include <Rirediro/Project/VUVI_ProjectManager.h>

namespace GUI {

Project& Project::get()
{
    static Project project;
    return project;
}

VUVI_ProjectManager* Project::manager() const
{
    return m_manager.data();
}

void Project::setManager(VUVI_ProjectManager* manager)
{
    GuiSupport::recordCall(QStringLiteral("GUI::Project::setManager %1").arg(manager ? "project" : "none"));
    m_manager = manager;
}

} // namespace GUI
