#include "ProjectClipMaker.h"

#include "LC/FileClip.h"
#include "Rirediro/Clips/IBaseClipServant.h"
#include "Rirediro/Clips/IClipServant.h"
#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Prm/Frame.h>

#include <boost/make_shared.hpp>

namespace Rirediro {

namespace {

class ProjectClipServant : public IClipServant
{
public:
    explicit ProjectClipServant(VUVI_ProjectManager& project) : m_project(project) {}

    VUVI_ProjectManager* projectManager() const override { return &m_project; }
    boost::shared_ptr<CommandManager> commandManager() const override { return m_project.commandManager(); }
    boost::shared_ptr<VUVI_SelectionManager> selectionManager() const override
    {
        return m_project.selectionManager();
    }
    boost::shared_ptr<Prm::AnimationState> animationState() const override { return {}; }
    bool bApplyClipInfo(VUVI_Clip& clip, const TQ_ClipInfo& info) override
    {
        clip.setClipInfoInternal(info);
        return true;
    }
    bool bApplyInfos(VUVI_Clip& clip, const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info) override
    {
        clip.setInfosInternal(baseInfo, info);
        return true;
    }
    VUVI_FrameManager* frameManager() const override { return &m_project.frameManager(); }
    std::pair<VUVI_Clip*, VUVI_Clip*> neighbourClips(const VUVI_Clip& clip) const override
    {
        const QList<VUVI_Clip*>& clips = m_project.frameManager().clips();
        const int index = clips.indexOf(const_cast<VUVI_Clip*>(&clip));
        if (index < 0)
            return {nullptr, nullptr};
        return {clips.value(index - 1, nullptr), clips.value(index + 1, nullptr)};
    }
    unsigned int currentFrame() const override
    {
        return Prm::Frame::fromTime(m_project.currentFrame().time).value();
    }
    TQ::Callbacks* callbacks() const override { return m_project.callbacks(); }
    VUVI_ParameterManager* parameterManager() const override { return &m_project.parameterManager(); }
    unsigned int defaultTrackableClip() const override { return m_project.frameManager().defaultTrackableClip(); }
    void vClipChanged(VUVI_Clip&) override { m_project.vSetProjectHasChanged(true); }

private:
    VUVI_ProjectManager& m_project;
};

class ProjectBaseClipServant : public IBaseClipServant
{
public:
    explicit ProjectBaseClipServant(VUVI_ProjectManager& project) : m_project(project) {}

    VUVI_ProjectManager* projectManager() const override { return &m_project; }
    unsigned int clipIDFor(const VUVI_BaseClip&, unsigned int proposed) const override
    {
        return m_project.frameManager().freeClipID(proposed);
    }

private:
    VUVI_ProjectManager& m_project;
};

} // namespace

boost::shared_ptr<IBaseClipServant> ProjectClipMaker::baseClipServant() const
{
    return boost::make_shared<ProjectBaseClipServant>(m_project);
}

boost::shared_ptr<VUVI_Clip> ProjectClipMaker::createClip(TQ::ClipID id, VUVI_BaseClip& baseClip,
                                                          const QString& name) const
{
    return boost::make_shared<LC::FileClip>(boost::make_shared<ProjectClipServant>(m_project), id, baseClip, name);
}

} // namespace Rirediro
