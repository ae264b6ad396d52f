#include "DetachedClipMaker.h"

#include <Dururev/Dururev.h>
#include <LC/FileClip.h>
#include <Rirediro/Clips/IBaseClipServant.h>
#include <Rirediro/Clips/IClipServant.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>

#include <boost/make_shared.hpp>

namespace {

class DetachedClipServant : public Rirediro::IClipServant
{
public:
    VUVI_ProjectManager* projectManager() const override { return nullptr; }
    boost::shared_ptr<Rirediro::CommandManager> commandManager() const override { return {}; }
    boost::shared_ptr<VUVI_SelectionManager> selectionManager() const override { return {}; }
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
    VUVI_FrameManager* frameManager() const override { return nullptr; }
    std::pair<VUVI_Clip*, VUVI_Clip*> neighbourClips(const VUVI_Clip&) const override { return {nullptr, nullptr}; }
    unsigned int currentFrame() const override { return 0; }
    TQ::Callbacks* callbacks() const override { return Dururev::callbacks(); }
    VUVI_ParameterManager* parameterManager() const override { return nullptr; }
    unsigned int defaultTrackableClip() const override { return 0; }
    void vClipChanged(VUVI_Clip&) override {}
};

class DetachedBaseClipServant : public Rirediro::IBaseClipServant
{
public:
    VUVI_ProjectManager* projectManager() const override { return nullptr; }
    unsigned int clipIDFor(const VUVI_BaseClip&, unsigned int proposed) const override { return proposed; }
};

} // namespace

DetachedClipMaker::~DetachedClipMaker() = default;

boost::shared_ptr<Rirediro::IBaseClipServant> DetachedClipMaker::baseClipServant() const
{
    return boost::make_shared<DetachedBaseClipServant>();
}

boost::shared_ptr<VUVI_Clip> DetachedClipMaker::createClip(TQ::ClipID id, VUVI_BaseClip& baseClip,
                                                           const QString& name) const
{
    const boost::shared_ptr<Rirediro::IClipServant> servant = boost::make_shared<DetachedClipServant>();
    return boost::make_shared<LC::FileClip>(servant, id, baseClip, name);
}
