#pragma once

#include <Gandalf/Matrix.h>
#include <Prm/View.h>

#include <QPointF>
#include <QString>
#include <QVector>

#include <boost/shared_ptr.hpp>

#include <string>
#include <vector>

class VUVI_Layer;
class VUVI_ProjectManager;

namespace Rirediro {

class Contour;

// One shape at one time, as an export writes it.
class ExportCurveBase
{
public:
    ExportCurveBase(float time, int pointCount) : m_time(time), m_pointCount(pointCount) {}
    virtual ~ExportCurveBase();
    float time() const { return m_time; }
    int pointCount() const { return m_pointCount; }

private:
    float m_time;
    int m_pointCount;
};

// A Bezier curve: a segment per point.
class ExportBezierCurve : public ExportCurveBase
{
public:
    // The point (x, y), the point's own position again (unused), the
    // forward handle of the point, the backward handle of the next point
    // (absolute positions) and two spare values.
    struct Segment
    {
        double values[10];
    };
    ExportBezierCurve(float time, const QVector<Segment>& segments)
        : ExportCurveBase(time, segments.size()), m_segments(segments)
    {
    }
    const QVector<Segment>& segments() const { return m_segments; }

private:
    QVector<Segment> m_segments;
};

// An X-spline curve: the contour itself, read at the curve's time and
// moved by the offset.
class ExportXSplineCurve : public ExportCurveBase
{
public:
    ExportXSplineCurve(float time, int pointCount, const boost::shared_ptr<Contour>& contour,
                       const QPointF& offset = QPointF())
        : ExportCurveBase(time, pointCount), m_contour(contour), m_offset(offset)
    {
    }
    const boost::shared_ptr<Contour>& contour() const { return m_contour; }
    const QPointF& offset() const { return m_offset; }

private:
    boost::shared_ptr<Contour> m_contour;
    QPointF m_offset;
};

} // namespace Rirediro

// The layer's track at one time.
struct VUVI_ExportHomography
{
    Gan_Matrix33 matrix;
    float time;
};

// What a shape export reads of a layer: the frame's geometry, every shape's
// curves and the track, at clip times.
struct VUVI_ExportShape
{
    using Curves = QVector<boost::shared_ptr<Rirediro::ExportCurveBase>>;

    float frameWidth = 0.0f;
    float frameHeight = 0.0f;
    float filmbackAspectRatio = 0.0f;
    float pixelAspectRatio = 0.0f;
    // By shape, then by pass (one pass: 0), the curves in time order: the
    // closed ones, and the open ones; each shape has an entry in both.
    QVector<QVector<Curves>> curves;
    QVector<QVector<Curves>> openCurves;
    QVector<QVector<std::string>> shapeNames;
    QVector<QVector<std::string>> passNames;
    // By layer, then by view, the homographies in time order.
    std::vector<std::vector<std::vector<VUVI_ExportHomography>>> homographies;

    int shapeCount() const { return curves.size(); }
    // The curves of a shape in a pass; none outside the table.
    Curves maskShape(int shape, int pass) const;
};

namespace ShapeExport {

enum Flags {
    Shapes = 0x1,
    Geometry = 0x2,
    Homographies = 0x4,
    KeyframesOnly = 0x8,
    OpenSplines = 0x10,
    XSplines = 0x20,
};

// Fills `record` with the layer's shapes over the frames first to last
// (inclusive, clamped to the layer's in and out points) in the view: with
// Shapes, a curve per contour and frame (with KeyframesOnly, the contour's
// keyed frames only), moved by `offset`, among the closed curves when
// `closed` and else among the open ones; with XSplines the X-spline
// contours as X-spline curves, else every contour as a Bezier curve; with
// Homographies the layer's track per frame. Times are clip times: the
// project frame plus the clip's first frame offset, in fields for an
// interlaced clip. Curves follow the points exactly, so `accuracy` (the
// largest error a fitted curve may have) changes nothing here; every
// argument is recorded in the application log.
void getShapeSplines(VUVI_ExportShape& record, VUVI_ProjectManager& project, int firstFrame, int lastFrame,
                     const boost::shared_ptr<const VUVI_Layer>& layer, const Prm::View& view, int flags,
                     double accuracy, const QPointF& offset, bool closed);

// The clip time of a project frame of the layer's clip.
float clipTime(const VUVI_Layer& layer, double frame);
// The name a contour is exported under: its display name, else "Contour <id>".
QString contourName(const Rirediro::Contour& contour);

} // namespace ShapeExport
