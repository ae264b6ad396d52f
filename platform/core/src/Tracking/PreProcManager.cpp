#include "Rirediro/Project/VUVI_PreProcManager.h"

#include "FramePixels.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/ControlPoint.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Dururev/ImageKit.h>

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
    const Gan_Matrix33 trackFrom = layer.transformationMatrix(fromContext);

    const Rirediro::FramePixels fromImage(m_project.frameManager(), layer.clipID(), fromContext);
    const Rirediro::FramePixels toImage(m_project.frameManager(), layer.clipID(), toContext);
    const ImageKit::Kernels::TrackStep step =
        Dururev::kernels().trackShape(fromImage, toImage, Rirediro::shapeOf(layer, fromContext), trackFrom);
    layer.setTrackKey(toContext, step.track);

    m_journal << QStringLiteral("track %1 %2 -> %3 view %4 measured %5 translation %6 %7")
                     .arg(layer.name())
                     .arg(from)
                     .arg(from + direction)
                     .arg(context.view.id())
                     .arg(step.measured ? 1 : 0)
                     .arg(step.track.xz, 0, 'f', 2)
                     .arg(step.track.yz, 0, 'f', 2);
}
