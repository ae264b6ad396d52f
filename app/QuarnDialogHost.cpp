#include "app/QuarnDialogHost.h"

#include "app/HostSupport.h"

#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>

#include <boost/bind/bind.hpp>

namespace GUI {

boost::shared_ptr<QuarnDialogHost> QuarnDialogHost::create(GUIApplication* application, MXIHost& host,
                                                           TQ::Callbacks& callbacks)
{
    return HostSupport::createForCallMode<QuarnDialogHost>(AcceptedCallModes, application, host, callbacks);
}

QuarnDialogHost::QuarnDialogHost(GUIApplication* application, MXIHost& host, TQ::Callbacks& callbacks)
    : QuarnInteractiveHost(host, callbacks), m_application(application)
{
    enterModal();
}

QuarnDialogHost::~QuarnDialogHost()
{
    HostSupport::exitModalFromDestructor(*this, "GUI::QuarnDialogHost");
}

bool QuarnDialogHost::splitViews(int) const
{
    return false;
}

void QuarnDialogHost::loadHostProject()
{
    openProject(ProjectOpener(boost::bind(&QuarnDialogHost::createProjectManager, this, boost::placeholders::_1)));
}

boost::shared_ptr<VUVI_ProjectManager> QuarnDialogHost::createProjectManager(Rirediro::IProjectHandle& handle)
{
    TQ_BaseClipInfo baseInfo;
    TQ_ClipInfo clipInfo;
    conformClipInfo(baseInfo, clipInfo);
    return VUVI_ProjectManager::createFromHandle(handle, baseInfo, clipInfo, VUVI_ProjectManager::MigratingClip(),
                                                 false);
}

} // namespace GUI
