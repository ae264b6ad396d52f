#pragma once

#include <Prm/Context.h>
#include <Prm/View.h>

#include <boost/function.hpp>

#include <vector>

class VUVI_Layer;
class VUVI_PostProcManager;
class VUVI_ProjectManager;

namespace Rirediro {

// One render of a range of frames, one frame per renderFrame call: the
// frame is the frame manager's current frame when the call is made.
class RenderFunctor
{
public:
    // Frames rendered relative to the current frame (renders here use the
    // current frame itself).
    enum OFFSET { CurrentFrame = 0 };
    // Called for a layer, a frame and views before and after the layer is
    // rendered (either may be empty).
    using LayerHook = boost::function<void(VUVI_Layer*, const Prm::Context&, const std::vector<Prm::View>&)>;

    RenderFunctor(VUVI_ProjectManager& project, OFFSET offset, bool proxy, LayerHook before, LayerHook after);
    virtual ~RenderFunctor();
    RenderFunctor(const RenderFunctor&) = delete;
    RenderFunctor& operator=(const RenderFunctor&) = delete;

    // Whether the render goes layer by layer.
    virtual bool isLayerBased() const { return true; }
    // Renders the frame to process.
    virtual void renderFrame() = 0;

    // The frame to render: the project's current frame, moved by the offset.
    Prm::Context::Explicit frameToProcess() const;
    VUVI_ProjectManager& projectManager() const { return m_project; }
    VUVI_PostProcManager& postProcManager() const;
    // Whether proxy frames are rendered (full frames here either way).
    bool proxy() const { return m_proxy; }

protected:
    const LayerHook& beforeLayer() const { return m_before; }
    const LayerHook& afterLayer() const { return m_after; }

private:
    VUVI_ProjectManager& m_project;
    OFFSET m_offset;
    bool m_proxy;
    LayerHook m_before;
    LayerHook m_after;
};

// The base of removal renders. Without cumulative rendering each frame's
// removal starts from the input frame again (clearOutputImage); with it,
// the removals of earlier renders into the output clip are kept and added to.
class RemoveRenderFunctor : public RenderFunctor
{
public:
    using RenderFunctor::RenderFunctor;

    // Off unless switched on (a preference of the application; tests set it).
    static bool cumulativeRenderingEnabled();
    static void setCumulativeRenderingEnabled(bool enabled);

    // Forgets the layer's rendered output image of the frame in those views
    // (the output file is removed), so that the next fill starts from the
    // input frame. Recorded in the application log: "call
    // Rirediro::RemoveRenderFunctor::clearOutputImage <layer name> <time> <view ids>".
    void clearOutputImage(VUVI_Layer& layer, const Prm::Context& context, const std::vector<Prm::View>& views);
};

} // namespace Rirediro
