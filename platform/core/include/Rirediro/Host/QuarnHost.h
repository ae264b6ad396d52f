#pragma once

#include <Rirediro/Host/HostSource.h>
#include <Rirediro/Host/PluginHost.h>

#include <QList>
#include <QObject>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <map>
#include <memory>

class MXIHost;
class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_Layer;
class VUVI_ProjectManager;

namespace TQ {
struct Callbacks;
}

namespace Rirediro {

class IProjectHandle;
class PathNameHandle;

// Gives the host's project back to the host: saves it into the host's
// project file (when there is a project and the host names a file).
class ProjectHandBack
{
public:
    ProjectHandBack(boost::shared_ptr<VUVI_ProjectManager> project, QString file);
    void commit();

private:
    boost::shared_ptr<VUVI_ProjectManager> m_project;
    QString m_file;
};

// The application running on behalf of a host application: it holds the
// host's project while the host is blocked (modal) and talks to the host
// through its plug-in interface. Subclasses decide how the host's project is
// opened (loadHostProject) and whether the projects cache keeps it.
//
// Every operation is recorded in the application log ("call
// Rirediro::QuarnHost::<operation>"), where tests follow the order of calls.
class QuarnHost : public QObject
{
    Q_OBJECT
public:
    using ProjectOpener = boost::function<boost::shared_ptr<VUVI_ProjectManager>(IProjectHandle&)>;
    using HandBackMaker = boost::function<boost::shared_ptr<ProjectHandBack>()>;

    QuarnHost(MXIHost& host, TQ::Callbacks& callbacks);
    ~QuarnHost() override;

    // Blocks the host; throws VUVI_OperationFailed when it refuses. Nothing
    // happens while already modal.
    void enterModal();
    // Releases the host; throws VUVI_OperationFailed when the host cannot
    // leave (the host stays modal then). Nothing happens when not modal.
    virtual void exitModal();
    bool isModal() const { return m_modal; }

    // Opens the host's project file through `opener` and keeps what it
    // gives as the host's project (empty: none). The file is read afresh.
    boost::shared_ptr<VUVI_ProjectManager> openProject(const ProjectOpener& opener);
    virtual void loadHostProject() = 0;
    // Called once the GUI shows the host's project.
    virtual void onGuiProjectLoaded() {}

    virtual int callMode() const;
    // Brings the host's stored state over into the host's project (see
    // PluginHost::ConformOption); nothing without a project.
    virtual void conformProject(IProjectHandle& handle, PluginHost::ConformOptions options);
    virtual bool usesProjectsCache() const = 0;
    virtual bool splitViews(int viewIndex) const;
    virtual bool persistsProjects() const { return false; }

    // Fills the infos of a project's first clip as the host's project file
    // stores them. Throws VUVI_BadFile when the file cannot be read.
    void conformClipInfo(TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo);
    // The layers the host tracks points with for one of its sources, by the
    // host's identifiers; a layer the project lacks shows as null. Empty
    // without a project.
    std::map<unsigned int, VUVI_Layer*> findPointTrackingLayers(unsigned int sourceIdentifier) const;

    // The host's project (empty until one is open).
    const boost::shared_ptr<VUVI_ProjectManager>& projectManager() const { return m_project; }
    // The host's sources, as the host listed them at construction.
    const QList<boost::shared_ptr<HostSource>>& sources() const { return m_sources; }
    // The handle of the host's project file (made on first use).
    IProjectHandle& projectHandle();

    // What gives the host its project back when the projects cache does not
    // keep it: by default a ProjectHandBack of the host's project and file.
    const HandBackMaker& projectHandBack() const { return m_handBack; }
    void setProjectHandBack(const HandBackMaker& maker) { m_handBack = maker; }

protected:
    MXIHost& mxiHost() const { return m_host; }
    TQ::Callbacks& callbacks() const { return m_callbacks; }

private:
    boost::shared_ptr<ProjectHandBack> makeProjectHandBack() const;

    MXIHost& m_host;
    TQ::Callbacks& m_callbacks;
    QList<boost::shared_ptr<HostSource>> m_sources;
    std::unique_ptr<PathNameHandle> m_handle;
    boost::shared_ptr<VUVI_ProjectManager> m_project;
    HandBackMaker m_handBack;
    bool m_modal = false;
};

} // namespace Rirediro
