#pragma once

#include "Rirediro/Layers/LayerBase.h"

#include <Rirediro/Clips/ClipID.h>

#include <Bsc/QPointerEx.h>
#include <Gandalf/Matrix.h>
#include <LC/RenderParameters.h>
#include <LC/Surface.h>
#include <Prm/Context.h>
#include <Prm/Parameter.h>
#include <TQ/Modules.h>

#include <QList>
#include <QStringList>
#include <QPointer>

#include <map>
#include <utility>
#include <vector>

namespace Bsc {
class CompositeCommand;
}
namespace TQ {
class IClip;
}
namespace Rirediro {
class Contour;
class ControlPoint;
class ControlPointData;
} // namespace Rirediro

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

    // Whether the layer lies in the context's frame: between its in and out
    // points of the context's view, both included.
    bool isActiveInFrame(const Prm::Context& context) const;
    // Whether the layer takes part in a processing module; with `inherited`
    // a layer inside a group counts only when no group above it is locked
    // for that module (groups lock none here). New layers use the Track
    // module only.
    virtual bool bUsesModule(_TQ_MODULE module, bool inherited) const;
    void setUsesModule(_TQ_MODULE module, bool used);

    // ---- renders ----
    // The clip the layer's mattes are drawn over (its own clip when new).
    TQ::ClipIDParameter& matteClipParameter() { return m_matteClip; }
    const TQ::ClipIDParameter& matteClipParameter() const { return m_matteClip; }
    // Input and output clips of the layer's insert, stabilise and remove
    // renders; each input is the layer's own clip when new.
    LC::InsertParameterSet& insertParameters() { return m_insert; }
    const LC::InsertParameterSet& insertParameters() const { return m_insert; }
    LC::RenderClipParameters& stabiliseClipParameters() { return m_stabilise; }
    const LC::RenderClipParameters& stabiliseClipParameters() const { return m_stabilise; }
    LC::RenderClipParameters& removeClipParameters() { return m_remove; }
    const LC::RenderClipParameters& removeClipParameters() const { return m_remove; }

    // Carries the layer's shapes from where they were drawn to where the
    // tracked pattern is at the context: the identity until it is tracked.
    // Between keys the track holds the latest earlier key of the view.
    Gan_Matrix33 transformationMatrix(const Prm::Context& context) const;
    // The track's key at the frame (the context's time, rounded) and view,
    // as the tracker sets it; whether the frame has a key of its own.
    void setTrackKey(const Prm::Context& context, const Gan_Matrix33& track);
    bool hasTrackKey(const Prm::Context& context) const;
    // Every key of the track, by (view id, frame); files and undo keep them.
    using TrackKeys = std::map<std::pair<int, int>, Gan_Matrix33>;
    const TrackKeys& trackKeys() const { return m_track; }
    void setTrackKeys(const TrackKeys& keys) { m_track = keys; }
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
    // The contour with that id, or null.
    boost::shared_ptr<Rirediro::Contour> contourWithID(unsigned int id) const;

    // ---- shapes: each edit goes into `macro` when given (run already),
    // else it is an undo step of its own; undo puts a removed shape back
    // under its id, and no step keeps a removed shape alive ----
    // A new contour, last on the layer, through the points of the records
    // (X-spline records for an X-spline contour, Bezier for a Bezier one),
    // written at the context. No records: an empty contour of that kind.
    boost::shared_ptr<Rirediro::Contour>
    createContour(const std::vector<boost::shared_ptr<const Rirediro::ControlPointData>>& points,
                  const Prm::Context& context, int kind, Bsc::CompositeCommand* macro = nullptr);
    // A new point at `index` of the contour (last past the end), written at the context.
    void createControlPoint(const boost::shared_ptr<Rirediro::Contour>& contour,
                            const boost::shared_ptr<const Rirediro::ControlPointData>& data,
                            const Prm::Context& context, unsigned int index, Bsc::CompositeCommand* macro = nullptr);
    // Writes the record's fields at the context. `update` says the edit
    // continues an interactive change; it is recorded in the journal.
    void setControlPointData(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                             const boost::shared_ptr<const Rirediro::ControlPointData>& data,
                             const Prm::Context& context, bool update, Bsc::CompositeCommand* macro = nullptr);
    void removeControlPoint(const boost::shared_ptr<Rirediro::ControlPoint>& point,
                            Bsc::CompositeCommand* macro = nullptr);
    void removeContour(const boost::shared_ptr<Rirediro::Contour>& contour, Bsc::CompositeCommand* macro = nullptr);

    // ---- edits of the contour list without undo (commands and files) ----
    // Puts the contour at `index` (clamped).
    void insertContour(const boost::shared_ptr<Rirediro::Contour>& contour, int index);
    bool takeContour(const Rirediro::Contour& contour);

    // The shape edits asked of the layer, oldest first: "createContour <kind>
    // <point count>", "createControlPoint <contour id> at <index>",
    // "setControlPointData <point id> update <0 or 1>", "removeControlPoint
    // <point id>", "removeContour <contour id>".
    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

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
    std::vector<_TQ_MODULE> m_modules{TQ_MODULE_TRACK};
    TQ::ClipIDParameter m_matteClip;
    LC::InsertParameterSet m_insert;
    LC::RenderClipParameters m_stabilise;
    LC::RenderClipParameters m_remove;
    QList<boost::shared_ptr<Rirediro::Contour>> m_contours;
    QStringList m_journal;
    TrackKeys m_track;
};
