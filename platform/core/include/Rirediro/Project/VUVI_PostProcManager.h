#pragma once

#include <Prm/ClipIDParameter.h>
#include <Prm/Context.h>
#include <Rirediro/Clips/ClipID.h>

#include <QStringList>

#include <deque>
#include <utility>

class VUVI_Layer;
class VUVI_ProjectManager;

namespace LC {
class RenderClipParameters;
}

namespace TQ {
class IClip;
}

// Renders frames of a project's output clips from its layers and clips:
// each call reads the input frame through the frame manager, renders it
// and writes it to the output clip's file for that frame (the output
// clip's id for the context's view, else for the default view). Input and
// output clips come from the layer's render parameters (the reorient
// parameters of the clip's base clip for the horizon); an input of 0
// reads the project's default trackable clip. A render whose output clip
// is missing, or whose input frame cannot be read, throws
// VUVI_OperationFailed.
//
// A render in progress (RenderOutputs) writes only into the clips it made:
// the render parameters name the clips of the latest render, which may be
// another thread's, run while this one lent the core.
//
// Cumulative rendering: a frame already rendered in the output clip is the
// input of the next render into it, so that several layers add up in one
// frame (see Rirediro::RemoveRenderFunctor::cumulativeRenderingEnabled).
// Inserts always add up within a frame once vUndoRenderSurface has reset it.
//
// Every call is recorded in the application log: "call
// VUVI_PostProcManager::<operation> <layer name> <time> <view id>"
// (stabilizeHorizon: the clip's name instead of a layer's).
class VUVI_PostProcManager
{
public:
    explicit VUVI_PostProcManager(VUVI_ProjectManager& project) : m_project(project) {}
    virtual ~VUVI_PostProcManager() = default;
    VUVI_PostProcManager(const VUVI_PostProcManager&) = delete;
    VUVI_PostProcManager& operator=(const VUVI_PostProcManager&) = delete;

    // Starts the insert surface of the frame again from the input frame,
    // so that the inserts that follow draw on a clean frame. `surface`,
    // `keepUndo` and `allViews` select the surface and how it is kept
    // (this library has one surface per output frame).
    virtual void vUndoRenderSurface(VUVI_Layer& layer, const Prm::Context::Explicit& context, int surface,
                                    bool keepUndo, bool allViews);
    // The layer's tracked shape filled with its insert clip's frame
    // (carried by the track), else with its matte colour.
    virtual void renderInsertLayer(VUVI_Layer& layer, const Prm::Context::Explicit& context);
    // The input frame moved by the inverse of the layer's track, so that
    // the tracked pattern stands still.
    virtual void stabiliseLayer(VUVI_Layer& layer, const Prm::Context& context);
    // The layer's tracked shape inpainted from its surroundings.
    virtual void fillLayerPixels(VUVI_Layer& layer, const Prm::Context& context);
    // The clip's frame turned by its reorient angle at the frame (0 copies it).
    virtual void stabilizeHorizon(const TQ::IClip& clip, Prm::Context context, int quality);

    // The output clips of the render that runs on this thread, for its
    // length: every call of the thread on the project writes into them, a
    // parameter set's into the clips it named when the render noted it, any
    // other parameter set's (the further layers of an insert or a removal)
    // into the render's first. Renders nest on a thread (a progress slot may
    // render again); each thread has its own.
    class RenderOutputs
    {
    public:
        explicit RenderOutputs(VUVI_PostProcManager& manager);
        ~RenderOutputs();
        RenderOutputs(const RenderOutputs&) = delete;
        RenderOutputs& operator=(const RenderOutputs&) = delete;

        // Notes the output clips that `parameters` names now, once the render
        // has made them; the copy noted, which the render reads from then on.
        const TQ::ClipIDParameter& add(const LC::RenderClipParameters& parameters);

    private:
        friend class VUVI_PostProcManager;
        // The render's clip for the parameter set and view: 0 for none.
        TQ::ClipID clip(const LC::RenderClipParameters& parameters, const Prm::View& view) const;

        const VUVI_PostProcManager& m_manager;
        RenderOutputs* m_outer; // the render this one runs inside, on this thread
        std::deque<std::pair<const LC::RenderClipParameters*, TQ::ClipIDParameter>> m_clips;
    };

    // The clip that the parameter set's render writes for the view: the
    // running render's, else the output clip the parameters name for the
    // view, else for the default view; 0 for none.
    TQ::ClipID outputClip(const LC::RenderClipParameters& parameters, const Prm::View& view) const;
    // Whether a render runs on this thread (RenderOutputs).
    bool rendering() const;

private:
    // This thread's innermost render of the project, or null.
    const RenderOutputs* render() const;

    VUVI_ProjectManager& m_project;
    // Outside a render: the output clips the last inserts and fills went
    // to, which layers without an output clip of their own share.
    TQ::ClipID m_insertOutput = 0;
    TQ::ClipID m_removeOutput = 0;
};
