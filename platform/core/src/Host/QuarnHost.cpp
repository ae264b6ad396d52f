#include "Rirediro/Host/QuarnHost.h"

#include "../Project/ProjectDocument.h"

#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/ErrorHandling/VUVI_CoreErrors.h"
#include "Rirediro/Host/QuarnInteractiveHost.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/ProjectFile.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <Bsc/Logger.h>
#include <MXI/MXIHost.h>

#include <boost/bind/bind.hpp>
#include <boost/make_shared.hpp>

namespace Rirediro {

namespace {

const char* const kSource = "Rirediro/Host/QuarnHost";

void record(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call Rirediro::") + call, Bsc::Logger::Debug);
}

} // namespace

// ---- PluginHost ------------------------------------------------------------------------

PluginHost::~PluginHost() = default;

int PluginHost::setDestinationImage(const Bsc::detail::GanImage_Ptr<Gan_Image>&, const Prm::View&)
{
    return DestinationNotTaken;
}

Bsc::detail::GanImage_Ptr<Gan_Image> PluginHost::destinationImage(TQ::IClip*, const Prm::View&) const
{
    return Bsc::detail::GanImage_Ptr<Gan_Image>();
}

// ---- HostSource ------------------------------------------------------------------------

bool HostSource::isTracked() const
{
    return m_host.isSourceTracked(m_identifier);
}

// ---- ProjectHandBack -------------------------------------------------------------------

ProjectHandBack::ProjectHandBack(boost::shared_ptr<VUVI_ProjectManager> project, QString file)
    : m_project(std::move(project)), m_file(std::move(file))
{
}

void ProjectHandBack::commit()
{
    record(QStringLiteral("ProjectHandBack::commit '%1'").arg(m_file));
    if (m_project && !m_file.isEmpty())
        m_project->saveProjectToFile(m_file, false, false, false);
}

// ---- QuarnHost -------------------------------------------------------------------------

QuarnHost::QuarnHost(MXIHost& host, TQ::Callbacks& callbacks)
    : m_host(host), m_callbacks(callbacks), m_handBack(boost::bind(&QuarnHost::makeProjectHandBack, this))
{
    for (const MXIHost::Source& source : m_host.sources())
        m_sources.append(boost::make_shared<HostSource>(m_host, source.identifier));
}

QuarnHost::~QuarnHost()
{
    record(QStringLiteral("QuarnHost::~QuarnHost"));
}

void QuarnHost::enterModal()
{
    record(QStringLiteral("QuarnHost::enterModal"));
    if (m_modal)
        return;
    if (!m_host.enterModal())
        throwException<VUVI_OperationFailed>(kSource, __LINE__, tr("The host application refused modal mode"),
                                             QString());
    m_modal = true;
}

void QuarnHost::exitModal()
{
    record(QStringLiteral("QuarnHost::exitModal"));
    if (!m_modal)
        return;
    if (!m_host.exitModal())
        throwException<VUVI_OperationFailed>(kSource, __LINE__,
                                             tr("The host application could not leave modal mode"), QString());
    m_modal = false;
}

IProjectHandle& QuarnHost::projectHandle()
{
    if (!m_handle)
        m_handle = std::make_unique<PathNameHandle>(m_host.projectFile(), Callbacks(&m_callbacks));
    return *m_handle;
}

boost::shared_ptr<VUVI_ProjectManager> QuarnHost::openProject(const ProjectOpener& opener)
{
    m_handle.reset();
    IProjectHandle& handle = projectHandle();
    record(QStringLiteral("QuarnHost::openProject '%1'").arg(handle.sourceName()));
    m_project = opener(handle);
    return m_project;
}

int QuarnHost::callMode() const
{
    return m_host.callMode();
}

void QuarnHost::conformProject(IProjectHandle& handle, PluginHost::ConformOptions options)
{
    record(QStringLiteral("QuarnHost::conformProject '%1' %2").arg(handle.sourceName()).arg(int(options)));
    if (!m_project)
        return;
    const ProjectRecord& stored = handle.record();
    if (options.testFlag(PluginHost::ConformLength))
        m_project->projectProperties().setLength(stored.length);
    if (options.testFlag(PluginHost::ConformClipInfo) && !m_project->frameManager().clips().isEmpty()) {
        const ClipRecord& first = stored.clips.front();
        m_project->frameManager().clips().front()->setInfosInternal(stored.baseClip(first.baseClipID)->info,
                                                                     first.info);
    }
}

bool QuarnHost::splitViews(int viewIndex) const
{
    return m_host.splitsView(viewIndex);
}

void QuarnHost::conformClipInfo(TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo)
{
    record(QStringLiteral("QuarnHost::conformClipInfo"));
    ProjectHeaderData header;
    ProjectHeaderReader::readProjectHeader(projectHandle(), header);
    baseInfo = header.baseInfos.front();
    clipInfo = header.clipInfos.front();
}

std::map<unsigned int, VUVI_Layer*> QuarnHost::findPointTrackingLayers(unsigned int sourceIdentifier) const
{
    record(QStringLiteral("QuarnHost::findPointTrackingLayers %1").arg(sourceIdentifier));
    std::map<unsigned int, VUVI_Layer*> layers;
    if (!m_project)
        return layers;
    for (const auto& [identifier, layerID] : m_host.pointTrackingLayers(sourceIdentifier))
        layers[identifier] = m_project->selectionManager()->findLayer(layerID, false).get();
    return layers;
}

boost::shared_ptr<ProjectHandBack> QuarnHost::makeProjectHandBack() const
{
    record(QStringLiteral("QuarnHost::makeProjectHandBack"));
    return boost::make_shared<ProjectHandBack>(m_project, m_host.projectFile());
}

// ---- QuarnInteractiveHost --------------------------------------------------------------

QuarnInteractiveHost::QuarnInteractiveHost(MXIHost& host, TQ::Callbacks& callbacks) : QuarnHost(host, callbacks) {}

QuarnInteractiveHost::~QuarnInteractiveHost() = default;

} // namespace Rirediro
