#pragma once

#include <Prm/Context.h>
#include <Prm/ParameterSet.h>
#include <Rirediro/Project/VUVI_CacheManager.h>

#include <QObject>
#include <QString>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include <memory>

class ProjectProperties;
class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_FrameManager;
class VUVI_ParameterManager;

namespace TQ {
struct Callbacks;
}
namespace Rirediro {
struct ManagerSuite;
}

// One project: the root of the project model. It owns the project's
// properties and its managers; whoever made it holds it by shared pointer.
// It is also the root of the project's parameter sets, named "project",
// under which its clips' sets show, in project order.
class VUVI_ProjectManager : public Prm::ParameterSet, public boost::enable_shared_from_this<VUVI_ProjectManager>
{
    Q_OBJECT
public:
    // A new project around one clip made from the infos: one view (the
    // default view), as long as the clip has frames. The clip is the
    // project's default trackable clip. `callbacks` are where the project's
    // long operations report progress.
    static boost::shared_ptr<VUVI_ProjectManager> createWithExistingClip(const TQ_BaseClipInfo& baseInfo,
                                                                         const TQ_ClipInfo& clipInfo,
                                                                         const QString& projectFile,
                                                                         TQ::Callbacks* callbacks,
                                                                         const Rirediro::ManagerSuite& managers,
                                                                         bool initialise);
    ~VUVI_ProjectManager() override;

    ProjectProperties& projectProperties() { return *m_properties; }
    const ProjectProperties& projectProperties() const { return *m_properties; }
    VUVI_FrameManager& frameManager() { return *m_frameManager; }
    const VUVI_FrameManager& frameManager() const { return *m_frameManager; }
    VUVI_ParameterManager& parameterManager() { return *m_parameterManager; }

    // The frame shown now, in the hero view.
    Prm::Context currentFrame() const;
    void vSetProjectHasChanged(bool changed);
    bool projectHasChanged() const { return m_changed; }
    TQ::Callbacks* callbacks() const { return m_callbacks; }

    // ---- caches and parameter sets ----
    VUVI_CacheManager& cacheManager() { return m_cacheManager; }

protected:
    QVector<Prm::ParameterSet*> shownSubsets() const override;

private:
    explicit VUVI_ProjectManager(TQ::Callbacks* callbacks);

    VUVI_CacheManager m_cacheManager;
    TQ::Callbacks* m_callbacks;
    std::unique_ptr<ProjectProperties> m_properties;
    std::unique_ptr<VUVI_ParameterManager> m_parameterManager;
    // Declared last, so destroyed first: its clips may ask the other
    // managers while they go.
    std::unique_ptr<VUVI_FrameManager> m_frameManager;
    unsigned int m_currentFrame = 0;
    bool m_changed = false;
};
