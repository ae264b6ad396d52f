#pragma once

#include <Prm/ClipIDParameter.h>
#include <Prm/Parameter.h>

namespace LC {

// The clips a render of one kind reads from and writes to, a clip id per
// view (0: none). A new layer renders from the clip it is drawn on; the
// output clip is made by the render.
class RenderClipParameters
{
public:
    RenderClipParameters();
    virtual ~RenderClipParameters();

    TQ::ClipIDParameter& inputClipID() { return m_inputClip; }
    const TQ::ClipIDParameter& inputClipID() const { return m_inputClip; }
    TQ::ClipIDParameter& outputClipID() { return m_outputClip; }
    const TQ::ClipIDParameter& outputClipID() const { return m_outputClip; }

private:
    TQ::ClipIDParameter m_inputClip;
    TQ::ClipIDParameter m_outputClip;
};

// What an insert puts into a layer's shape: the frames of the insert clip
// (carried by the layer's track), or the layer's matte colour without one.
class InsertParameterSet : public RenderClipParameters
{
public:
    InsertParameterSet();
    TQ::ClipIDParameter& insertClipID() { return m_insertClip; }
    const TQ::ClipIDParameter& insertClipID() const { return m_insertClip; }

private:
    TQ::ClipIDParameter m_insertClip;
};

// How a clip's horizon is levelled: each frame turned by `angle` degrees
// (positive counter-clockwise on screen), keyframed.
class ReorientParameterSet : public RenderClipParameters
{
public:
    ReorientParameterSet();
    Prm::Parameter<double>& angle() { return m_angle; }
    const Prm::Parameter<double>& angle() const { return m_angle; }

private:
    Prm::Parameter<double> m_angle;
};

} // namespace LC
