#include "ShapeExportData.h"

#include "Project/wrappers/XControlPoint.h"
#include "Project/wrappers/XSplineContour.h"

#include <Rirediro/Clips/IClip.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <TQ/BaseClipInfo.h>
#include <TQ/InterlaceMode.h>

#include <QCoreApplication>

#include <boost/math/special_functions/round.hpp>

namespace {

// How record times become frame keys: the clip's first frame offset (in
// fields, halved toward zero, for an interlaced clip) is the start.
struct ClipTiming
{
    int start = 0;
    bool interlaced = false;

    explicit ClipTiming(const VUVI_Layer& layer)
    {
        const auto clip = layer.trackingInputClip(true);
        if (clip.isNull())
            return;
        const TQ_BaseClipInfo& info = clip->baseClip().baseInfo();
        interlaced = TQ::isFieldInterlaced(info.interlaceMode());
        start = interlaced ? info.firstFrameOffset() / 2 : info.firstFrameOffset();
    }
    float key(float time) const
    {
        const float t = time - float(start);
        return interlaced ? t * 2.0f : t;
    }
};

// A point read from an X-spline curve where the curve's offset moves it.
XControlPointData moved(XControlPointData point, const QPointF& offset)
{
    if (point.get_x())
        point.set_x(*point.get_x() + float(offset.x()));
    if (point.get_y())
        point.set_y(*point.get_y() + float(offset.y()));
    return point;
}

} // namespace

ShapeExportData::ShapeExportData(Layer layer, int firstFrame, int lastFrame, View view, double accuracy_treshold,
                                 bool extra_matrix, bool keyframes_only, bool xspline_support)
    : m_layer(layer), m_extraMatrix(extra_matrix), m_keyframesOnly(keyframes_only),
      m_xsplineSupport(xspline_support), m_view(view.getView().id())
{
    const boost::shared_ptr<VUVI_Layer> core = m_layer.handledObject();
    const boost::shared_ptr<VUVI_ProjectManager> project = PyHandle<void>::fromWeakToShared(m_layer.projectManager());
    ShapeExport::getShapeSplines(m_exportShape, *project, firstFrame, lastFrame, core, Prm::View(m_view),
                                 flagWord(extra_matrix, keyframes_only, xspline_support), accuracy_treshold,
                                 QPointF(0, 0), true);
}

ShapeExportData::~ShapeExportData() = default;

int ShapeExportData::flagWord(bool extra_matrix, bool keyframes_only, bool xspline_support)
{
    int flags = ShapeExport::Shapes | ShapeExport::Geometry;
    if (extra_matrix)
        flags |= ShapeExport::Homographies;
    if (keyframes_only)
        flags |= ShapeExport::KeyframesOnly;
    if (xspline_support)
        flags |= ShapeExport::XSplines;
    return flags;
}

QMap<float, Gan_Matrix33> ShapeExportData::get_transforms() const
{
    const ClipTiming timing(*m_layer.handledObject());
    QMap<float, Gan_Matrix33> transforms;
    const auto& table = m_exportShape.homographies;
    if (table.empty() || table.front().empty())
        return transforms;
    for (const VUVI_ExportHomography& homography : table.front().front())
        transforms.insert(timing.key(homography.time), homography.matrix);
    return transforms;
}

QVector<ShapeExportData::BakedShape> ShapeExportData::bakedKeyframes() const
{
    const boost::shared_ptr<VUVI_Layer> core = m_layer.handledObject();
    const Prm::View view(m_view);
    const long long inPoint = core->inPoint(view, false);
    const long long outPoint = core->outPoint(view, false);
    const ClipTiming timing(*core);
    const QList<boost::shared_ptr<Rirediro::Contour>> contours = m_layer.getAllContours();

    QVector<BakedShape> shapes;
    for (int i = 0; i < m_exportShape.shapeCount(); ++i) {
        if (i >= contours.size())
            Rirediro::throwException<VUVI_OutOfRange>(
                QCoreApplication::translate("ShapeExportData", "Shape %1 has no contour on the layer").arg(i));
        const Rirediro::Contour& contour = *contours[i];
        const bool bezier = !m_xsplineSupport || contour.kind() == Rirediro::Contour::Bezier;
        BakedShape shape;
        shape.name = ShapeExport::contourName(contour).toUtf8();
        shape.kind = bezier ? QStringLiteral("Bezier") : QStringLiteral("XSpline");

        for (const auto& curve : m_exportShape.maskShape(i, 0)) {
            if (!curve)
                continue;
            const float key = timing.key(curve->time());
            const long long frame = boost::math::llround(key);
            if (frame < inPoint || frame > outPoint)
                continue;
            BakedShape::Frame baked{key, {}, {}};
            if (bezier) {
                const auto* points = dynamic_cast<const Rirediro::ExportBezierCurve*>(curve.get());
                if (!points || points->segments().isEmpty())
                    continue;
                const auto& segments = points->segments();
                const int n = segments.size();
                for (int k = 0; k < n; ++k) {
                    const double* own = segments[k].values;
                    const double* previous = segments[(k + n - 1) % n].values;
                    baked.bezierPoints.append(BezierControlPointData(
                        true, false, float(own[0]), float(own[1]), 0.0f, 0.5f,
                        QPointF(float(previous[6]), float(previous[7])), QPointF(float(own[4]), float(own[5]))));
                }
            } else {
                const auto* points = dynamic_cast<const Rirediro::ExportXSplineCurve*>(curve.get());
                if (!points || !points->contour())
                    continue;
                XSplineContour xspline(points->contour(), m_layer.projectManager());
                // The record's view chose the curves; their points are read
                // in the core's default view.
                for (const XControlPoint& point : xspline.get_control_points())
                    baked.xsplinePoints.append(moved(point.get_point_data(key, View()), points->offset()));
                if (baked.xsplinePoints.isEmpty())
                    continue;
            }
            shape.frames.append(baked);
        }
        shapes.append(shape);
    }
    return shapes;
}
