#pragma once

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"

#include <Prm/AnimationState.h>

#include <boost/function.hpp>

#include <vector>

class VUVI_ProjectManager;

namespace Bsc {
class CompositeCommand;
}

// A control point of a Bezier contour: besides the point's own parameters,
// its two tangent handles as absolute positions in the space of x and y
// ("backwardX", "backwardY", "forwardX", "forwardY"). A new point has both
// handles on itself.
class VUVI_BezierContourControlPoint : public Rirediro::ControlPoint
{
    Q_OBJECT
public:
    VUVI_BezierContourControlPoint(unsigned int id, const boost::weak_ptr<Rirediro::Contour>& contour);
    ~VUVI_BezierContourControlPoint() override;

    QPointF backwardHandle(const Prm::Context& context) const;
    QPointF forwardHandle(const Prm::Context& context) const;
    // Writes both handles at the context in each of `views`.
    void setHandles(const QPointF& backward, const QPointF& forward, const Prm::Context& context,
                    const std::vector<Prm::View>& views);

    // Record offsets place the handles relative to the point; a point that
    // moves without offsets keeps its handles where they were relative to it.
    void applyData(const Rirediro::ControlPointData& data, const Prm::Context& context) override;

private:
    Prm::Parameter<double> m_backwardX;
    Prm::Parameter<double> m_backwardY;
    Prm::Parameter<double> m_forwardX;
    Prm::Parameter<double> m_forwardY;
};

namespace Rirediro {

// A contour of Bezier segments, whose points are VUVI_BezierContourControlPoint.
class BezierContour : public Contour
{
    Q_OBJECT
public:
    // The handles of one point at one context, to put back later.
    class TangentState
    {
    public:
        TangentState(const boost::weak_ptr<VUVI_ProjectManager>& project, const PointDescriptor& point,
                     const Prm::Context& context, const QPointF& backward, const QPointF& forward);

        // The handles of the points next to `point` on its Bezier contour
        // (none for a point of another kind of contour).
        static std::vector<boost::shared_ptr<TangentState>> adjacentPointStates(const ControlPoint& point,
                                                                                const Prm::Context& context,
                                                                                bool tracked);
        // Appends to `edits` one edit that puts the recorded handles back, in
        // the views the animation state keys (the context's view when it
        // names none). `done`, when set, runs after the edit has run.
        static void setTangentHandlePositions(const std::vector<boost::shared_ptr<TangentState>>& states,
                                              const Prm::AnimationState& state, const Prm::Context& context,
                                              Bsc::CompositeCommand& edits, const boost::function<void()>& done);

        const PointDescriptor& point() const { return m_point; }
        QPointF backward() const { return m_backward; }
        QPointF forward() const { return m_forward; }

    private:
        boost::weak_ptr<VUVI_ProjectManager> m_project;
        PointDescriptor m_point;
        Prm::Context m_context;
        QPointF m_backward;
        QPointF m_forward;
    };

    BezierContour(unsigned int id, const boost::weak_ptr<VUVI_Layer>& layer);
    ~BezierContour() override;

    boost::shared_ptr<ControlPoint> makePoint(unsigned int id) override;

    // Puts a point's handles at absolute positions, at the context in the
    // views the animation state keys (the context's view when it names
    // none); no undo. `done`, when set, runs afterwards.
    void setTangentHandlePositions(ControlPoint& point, const Prm::Context& context, const QPointF& backward,
                                   const QPointF& forward, const Prm::AnimationState& state,
                                   const boost::function<void()>& done);
    // The handles of the point at `index` at the context; with `tracked`,
    // where the layer's track carries them. Nothing is written for an
    // index past the points.
    void tangentHandlePositionsAtIndex(int index, const Prm::Context& context, bool tracked, QPointF& backward,
                                       QPointF& forward, VUVI_TrackCache* cache) const;
    // Gives the neighbours of the point at `index` smooth handles through
    // their own neighbours, at the context: what the core does when a point
    // of the contour starts to follow another.
    void smoothAdjacentHandles(int index, const Prm::Context& context);
};

} // namespace Rirediro
