#pragma once

#include "Rirediro/Layers/LayerBase.h"

#include <Rirediro/Clips/ClipID.h>

#include <Bsc/QPointerEx.h>
#include <Gandalf/Matrix.h>
#include <LC/Surface.h>
#include <Prm/Context.h>
#include <Prm/Parameter.h>

#include <QList>
#include <QPointer>

#include <vector>

namespace Bsc {
class CompositeCommand;
}
namespace TQ {
class IClip;
}
namespace Rirediro {
class Contour;
}

// A layer: a shape drawn on one clip of the project, tracked through it.
//
// Its parameters (script names): "inPoint" and "outPoint", the frames the
// layer spans in each view; "linkToTrack", whether it follows the track of
// another layer, and "linkedLayerID", that layer's id (its own id while it
// follows none). None is keyframed.
class VUVI_Layer : public Rirediro::LayerBase
{
public:
    VUVI_Layer(unsigned int id, const QString& name, TQ::ClipID clip, const std::vector<Prm::View>& views,
               boost::weak_ptr<VUVI_ProjectManager> project);
    ~VUVI_Layer() override;

    // The clip the layer is drawn on.
    TQ::ClipID clipID() const { return m_clip; }
    // The project views the layer has.
    const std::vector<Prm::View>& views() const { return m_views; }

    // The frames the layer spans in a view; `clamped` binds them to the
    // project's frames.
    unsigned int inPoint(const Prm::View& view, bool clamped) const;
    unsigned int outPoint(const Prm::View& view, bool clamped) const;
    Prm::Parameter<unsigned int>& inPointParameter() { return m_inPoint; }
    Prm::Parameter<unsigned int>& outPointParameter() { return m_outPoint; }
    Prm::Parameter<bool>& linkToTrackParameter() { return m_linkToTrack; }
    const Prm::Parameter<bool>& linkToTrackParameter() const { return m_linkToTrack; }
    Prm::Parameter<int>& linkedLayerParameter() { return m_linkedLayer; }
    const Prm::Parameter<int>& linkedLayerParameter() const { return m_linkedLayer; }

    // Carries the layer's shapes from where they were drawn to where the
    // tracked pattern is at the context: the identity until it is tracked.
    Gan_Matrix33 transformationMatrix(const Prm::Context& context) const;
    const LC::Surface& surface() const { return m_surface; }

    // The number of nodes at the top level of the layer's tree.
    virtual unsigned int topLevelCount() const;
    // The clip tracking reads: the layer's own, or with `useLinkedLayer`
    // that of the layer it follows (its own when it follows none or that
    // layer is gone). Null when the clip is gone.
    virtual Bsc::detail::QPointerEx<TQ::IClip, QPointer> trackingInputClip(bool useLinkedLayer) const;

    // The layer's contours, in order.
    const QList<boost::shared_ptr<Rirediro::Contour>>& contours() const { return m_contours; }
    QList<boost::shared_ptr<const Rirediro::Contour>> readOnlyContours() const;

    // Takes the layer out of the project. Into `macro` when given (run
    // already), else as an undo step of its own.
    void removeLayer(Bsc::CompositeCommand* macro = nullptr);
    // Moves the layer into `group` (the top level when null), before the
    // node now at `position` there (last past the end). Into `macro` when
    // given (run already), else as an undo step of its own.
    void setParent(const boost::shared_ptr<Rirediro::LayerGroup>& group, unsigned int position,
                   Bsc::CompositeCommand* macro = nullptr);

private:
    TQ::ClipID m_clip;
    std::vector<Prm::View> m_views;
    Prm::Parameter<unsigned int> m_inPoint;
    Prm::Parameter<unsigned int> m_outPoint;
    Prm::Parameter<bool> m_linkToTrack;
    Prm::Parameter<int> m_linkedLayer;
    LC::Surface m_surface;
    QList<boost::shared_ptr<Rirediro::Contour>> m_contours;
};
