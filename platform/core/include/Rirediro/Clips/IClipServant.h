#pragma once

#include <boost/shared_ptr.hpp>

#include <utility>

class TQ_BaseClipInfo;
class TQ_ClipInfo;
class VUVI_Clip;
class VUVI_FrameManager;
class VUVI_ParameterManager;
class VUVI_ProjectManager;
class VUVI_SelectionManager;

namespace Prm {
class AnimationState;
}
namespace TQ {
struct Callbacks;
}

namespace Rirediro {

class CommandManager;

// Answers a clip's questions about the project it belongs to, and applies
// changes of its infos as that project wants them applied.
class IClipServant
{
public:
    virtual VUVI_ProjectManager* projectManager() const = 0;
    virtual boost::shared_ptr<CommandManager> commandManager() const = 0;
    virtual boost::shared_ptr<VUVI_SelectionManager> selectionManager() const = 0;
    virtual boost::shared_ptr<Prm::AnimationState> animationState() const = 0;
    virtual bool bApplyClipInfo(VUVI_Clip& clip, const TQ_ClipInfo& info) = 0;
    virtual bool bApplyInfos(VUVI_Clip& clip, const TQ_BaseClipInfo& baseInfo, const TQ_ClipInfo& info) = 0;
    virtual VUVI_FrameManager* frameManager() const = 0;
    // The clips shown before and after the clip in the project.
    virtual std::pair<VUVI_Clip*, VUVI_Clip*> neighbourClips(const VUVI_Clip& clip) const = 0;
    virtual unsigned int currentFrame() const = 0;
    virtual TQ::Callbacks* callbacks() const = 0;
    virtual VUVI_ParameterManager* parameterManager() const = 0;
    virtual unsigned int defaultTrackableClip() const = 0;
    // Told after the clip's infos changed.
    virtual void vClipChanged(VUVI_Clip& clip) = 0;
    virtual ~IClipServant();
};

} // namespace Rirediro
