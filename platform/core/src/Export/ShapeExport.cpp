#include "Rirediro/Export/ShapeExport.h"

#include "Rirediro/Clips/IClip.h"
#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Layers/BezierContour.h"
#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"

#include <Bsc/Logger.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/InterlaceMode.h>

#include <algorithm>
#include <set>

namespace Rirediro {
ExportCurveBase::~ExportCurveBase() = default;
} // namespace Rirediro

VUVI_ExportShape::Curves VUVI_ExportShape::maskShape(int shape, int pass) const
{
    if (shape < 0 || shape >= curves.size() || pass < 0 || pass >= curves[shape].size())
        return Curves();
    return curves[shape][pass];
}

namespace ShapeExport {

namespace {

const TQ_BaseClipInfo* clipInfoOf(const VUVI_Layer& layer)
{
    const auto clip = layer.trackingInputClip(true);
    return clip.isNull() ? nullptr : &clip->baseClip().baseInfo();
}

// The keyed frames of a contour's points in the view, within [first, last].
std::set<int> keyedFrames(const Rirediro::Contour& contour, const Prm::View& view, int first, int last)
{
    std::set<int> frames;
    for (const auto& point : contour.points()) {
        for (const Prm::ParameterWithoutType* parameter :
             {static_cast<const Prm::ParameterWithoutType*>(&point->x()),
              static_cast<const Prm::ParameterWithoutType*>(&point->y())}) {
            for (unsigned int i = 0; i < parameter->keyframeCount(view); ++i) {
                const double t = parameter->keyframeTime(i, view).time.toDouble();
                const int f = int(std::lround(t));
                if (f >= first && f <= last)
                    frames.insert(f);
            }
        }
    }
    return frames;
}

boost::shared_ptr<Rirediro::ExportCurveBase> bezierCurve(const Rirediro::Contour& contour,
                                                          const Prm::Context& context, float time,
                                                          const QPointF& offset)
{
    const auto& points = contour.points();
    QVector<Rirediro::ExportBezierCurve::Segment> segments(points.size());
    for (int k = 0; k < points.size(); ++k) {
        const QPointF at = points[k]->position(context);
        const QPointF p = at + offset;
        QPointF forward, nextBackward; // offsets from their points; zero for X-spline points
        if (auto* bezier = dynamic_cast<const VUVI_BezierContourControlPoint*>(points[k].get()))
            forward = bezier->forwardHandle(context) - at;
        const auto& next = points[(k + 1) % points.size()];
        if (auto* bezier = dynamic_cast<const VUVI_BezierContourControlPoint*>(next.get()))
            nextBackward = bezier->backwardHandle(context) - next->position(context);
        segments[k] = Rirediro::ExportBezierCurve::Segment{
            {p.x(), p.y(), p.x(), p.y(), forward.x(), forward.y(), nextBackward.x(), nextBackward.y(), 0.0, 0.0}};
    }
    return boost::make_shared<Rirediro::ExportBezierCurve>(time, segments);
}

} // namespace

float clipTime(const VUVI_Layer& layer, double frame)
{
    const TQ_BaseClipInfo* info = clipInfoOf(layer);
    if (!info)
        return float(frame);
    if (TQ::isFieldInterlaced(info->interlaceMode()))
        return float(frame / 2.0 + info->firstFrameOffset() / 2);
    return float(frame + info->firstFrameOffset());
}

QString contourName(const Rirediro::Contour& contour)
{
    return contour.displayName().isEmpty() ? QStringLiteral("Contour %1").arg(contour.id()) : contour.displayName();
}

void getShapeSplines(VUVI_ExportShape& record, VUVI_ProjectManager&, int firstFrame, int lastFrame,
                     const boost::shared_ptr<const VUVI_Layer>& layer, const Prm::View& view, int flags,
                     double accuracy, const QPointF& offset, bool closed)
{
    Bsc::Logger::writeToLog(
        QStringLiteral("call ShapeExport::getShapeSplines layer %1 frames %2 to %3 view %4 flags 0x%5 accuracy %6 "
                       "offset %7 %8 closed %9")
            .arg(layer ? layer->id() : QStringLiteral("none"))
            .arg(firstFrame)
            .arg(lastFrame)
            .arg(view.id())
            .arg(flags, 0, 16)
            .arg(accuracy)
            .arg(offset.x())
            .arg(offset.y())
            .arg(int(closed)),
        Bsc::Logger::Debug);
    if (!layer)
        return;
    if (const TQ_BaseClipInfo* info = clipInfoOf(*layer)) {
        record.frameWidth = float(info->frameWidth());
        record.frameHeight = float(info->size().height());
        record.filmbackAspectRatio = float(info->filmBackAspect());
        record.pixelAspectRatio = float(info->pixelAspect());
    }
    const int first = std::max(firstFrame, int(layer->inPoint(view, true)));
    const int last = std::min(lastFrame, int(layer->outPoint(view, true)));
    auto contextAt = [&](int f) { return Prm::Context(Prm::Time::fromDouble(double(f)), view, 3); };

    if (flags & Shapes) {
        for (const auto& contour : layer->contours()) {
            std::set<int> frames;
            if (flags & KeyframesOnly) {
                frames = keyedFrames(*contour, view, first, last);
                if (frames.empty() && first <= last)
                    frames.insert(first); // an unkeyed shape holds still: one curve shows it
            } else {
                for (int f = first; f <= last; ++f)
                    frames.insert(f);
            }
            VUVI_ExportShape::Curves curves;
            for (int f : frames) {
                const float time = clipTime(*layer, f);
                if ((flags & XSplines) && contour->kind() == Rirediro::Contour::XSpline)
                    curves.append(boost::make_shared<Rirediro::ExportXSplineCurve>(
                        time, contour->points().size(), contour, offset));
                else
                    curves.append(bezierCurve(*contour, contextAt(f), time, offset));
            }
            const VUVI_ExportShape::Curves none;
            record.curves.append(QVector<VUVI_ExportShape::Curves>{closed ? curves : none});
            record.openCurves.append(QVector<VUVI_ExportShape::Curves>{closed ? none : curves});
            record.shapeNames.append(QVector<std::string>{contourName(*contour).toStdString()});
        }
    }
    if (flags & Homographies) {
        std::vector<VUVI_ExportHomography> track;
        for (int f = first; f <= last; ++f)
            track.push_back(VUVI_ExportHomography{layer->transformationMatrix(contextAt(f)), clipTime(*layer, f)});
        record.homographies = {{track}};
    }
}

} // namespace ShapeExport
