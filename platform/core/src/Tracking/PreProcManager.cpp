#include "Rirediro/Project/VUVI_PreProcManager.h"

#include "FrameMats.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Imaging/Motion.h>

#include <cmath>

void VUVI_PreProcManager::trackToNextFrame(VUVI_Layer& layer, const Prm::Context& context, const LC::RenderOptions&)
{
    trackStep(layer, context, +1);
}

void VUVI_PreProcManager::trackToPreviousFrame(VUVI_Layer& layer, const Prm::Context& context,
                                               const LC::RenderOptions&)
{
    trackStep(layer, context, -1);
}

void VUVI_PreProcManager::trackStep(VUVI_Layer& layer, const Prm::Context& context, int direction)
{
    const int from = int(std::lround(context.time.toDouble()));
    const Prm::Context fromContext(Prm::Time::fromDouble(from), context.view, context.mode);
    const Prm::Context toContext(Prm::Time::fromDouble(from + direction), context.view, context.mode);

    if (!layer.hasTrackKey(fromContext))
        layer.setTrackKey(fromContext, layer.transformationMatrix(fromContext));
    const Imaging::Transform trackFrom = Rirediro::transformOf(layer.transformationMatrix(fromContext));

    const cv::Mat fromImage = Rirediro::frameMat(m_project.frameManager(), layer.clipID(), fromContext);
    const cv::Mat toImage = Rirediro::frameMat(m_project.frameManager(), layer.clipID(), toContext);
    const Imaging::TrackStep step =
        Imaging::trackShape(fromImage, toImage, Rirediro::shapeOf(layer, fromContext), trackFrom);
    layer.setTrackKey(toContext, Rirediro::matrixOf(step.track));

    m_journal << QStringLiteral("track %1 %2 -> %3 view %4 measured %5 translation %6 %7")
                     .arg(layer.name())
                     .arg(from)
                     .arg(from + direction)
                     .arg(context.view.id())
                     .arg(step.measured ? 1 : 0)
                     .arg(step.track(0, 2), 0, 'f', 2)
                     .arg(step.track(1, 2), 0, 'f', 2);
}
