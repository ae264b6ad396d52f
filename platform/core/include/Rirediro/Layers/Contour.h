#pragma once

#include <Prm/Context.h>
#include <Prm/ParameterSet.h>

#include <QList>
#include <QRectF>
#include <QVector>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_Layer;
class VUVI_TrackCache;

namespace Rirediro {

class ControlPoint;
struct ImageViewInfo;

// One closed shape of a layer, an X-spline or a Bezier curve through
// control points. Layers hold their contours, and contours their points,
// by shared pointer; whatever is taken out dies with the last reference,
// so that weak references to it expire.
class Contour : public Prm::ParameterSet, public boost::enable_shared_from_this<Contour>
{
    Q_OBJECT
public:
    enum Kind { XSpline = 0, Bezier = 1 };

    // A contour of that kind: a Contour or a BezierContour.
    static boost::shared_ptr<Contour> create(Kind kind, unsigned int id, const boost::weak_ptr<VUVI_Layer>& layer);
    ~Contour() override;

    // Unique among the contours and points of a project.
    unsigned int id() const { return m_id; }
    Kind kind() const { return m_kind; }
    boost::shared_ptr<VUVI_Layer> layer() const { return m_layer.lock(); }

    const QList<boost::shared_ptr<ControlPoint>>& points() const { return m_points; }
    // The point's index; -1 when it is not one of this contour's.
    int iControlPointIndex(const ControlPoint& point) const;
    // The point with that id, or null.
    boost::shared_ptr<ControlPoint> pointWithID(unsigned int id) const;
    boost::shared_ptr<ControlPoint> pointByID(unsigned int id) const { return pointWithID(id); }

    bool isSelected() const { return m_selected; }
    void vSelect() { m_selected = true; }
    virtual void vUnSelect() { m_selected = false; }

    // The box around the points (all, or those with the ids listed) at the
    // context: left, top, width, height. With `tracked`, where the layer's
    // track carries them. Empty without points.
    QRectF boundingBoxForControlPoints(const Prm::Context& context, const ImageViewInfo& view, bool tracked,
                                       VUVI_TrackCache& cache, const QVector<unsigned int>* pointIDs) const;

    // ---- edits without undo (the layer's commands and project files use them) ----
    // A new point of this contour's kind, not yet in it.
    virtual boost::shared_ptr<ControlPoint> makePoint(unsigned int id);
    // Puts the point at `index` (clamped to the points).
    void insertPoint(const boost::shared_ptr<ControlPoint>& point, int index);
    bool removePoint(const ControlPoint& point);

protected:
    Contour(Kind kind, unsigned int id, const boost::weak_ptr<VUVI_Layer>& layer);
    // Where the layer's track carries a point drawn at `position`.
    QPointF tracked(const QPointF& position, const Prm::Context& context, VUVI_TrackCache* cache) const;

private:
    Kind m_kind;
    unsigned int m_id;
    boost::weak_ptr<VUVI_Layer> m_layer;
    QList<boost::shared_ptr<ControlPoint>> m_points;
    bool m_selected = false;
};

} // namespace Rirediro
