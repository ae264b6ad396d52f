#pragma once

#include <Prm/Context.h>
#include <Rirediro/Clips/ClipID.h>

#include <QStringList>

class VUVI_Layer;
class VUVI_ProjectManager;

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

private:
    VUVI_ProjectManager& m_project;
    // The output clips the last inserts and fills went to, which layers
    // without an output clip of their own share.
    TQ::ClipID m_insertOutput = 0;
    TQ::ClipID m_removeOutput = 0;
};
