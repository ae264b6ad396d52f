#include "GUI/ViewManager.h"

#include "GuiSupport.h"

ViewManager& ViewManager::get()
{
    static ViewManager manager;
    return manager;
}

void ViewManager::setClipToDisplay(unsigned int clipID)
{
    GuiSupport::recordCall(QStringLiteral("ViewManager::setClipToDisplay %1").arg(clipID));
    m_clip = clipID;
}

void ViewManager::setView(const Prm::View& view)
{
    GuiSupport::recordCall(QStringLiteral("ViewManager::setView %1").arg(view.id()));
    m_view = view;
}
