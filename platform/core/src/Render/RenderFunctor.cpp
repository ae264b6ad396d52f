#include "Rirediro/Render/RenderFunctor.h"

#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_PostProcManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Bsc/Logger.h>

#include <QStringList>

#include <atomic>

namespace Rirediro {

namespace {

std::atomic<bool> cumulativeRendering{false};

} // namespace

RenderFunctor::RenderFunctor(VUVI_ProjectManager& project, OFFSET offset, bool proxy, LayerHook before,
                             LayerHook after)
    : m_project(project), m_offset(offset), m_proxy(proxy), m_before(std::move(before)), m_after(std::move(after))
{
}

RenderFunctor::~RenderFunctor() = default;

Prm::Context::Explicit RenderFunctor::frameToProcess() const
{
    const Prm::Context& current = m_project.frameManager().currentFrame();
    return Prm::Context::Explicit(Prm::Time::fromDouble(current.time.toDouble() + double(m_offset)), current.view,
                                  current.mode);
}

VUVI_PostProcManager& RenderFunctor::postProcManager() const
{
    return m_project.postProcManager();
}

bool RemoveRenderFunctor::cumulativeRenderingEnabled()
{
    return cumulativeRendering.load();
}

void RemoveRenderFunctor::setCumulativeRenderingEnabled(bool enabled)
{
    cumulativeRendering.store(enabled);
}

void RemoveRenderFunctor::clearOutputImage(VUVI_Layer& layer, const Prm::Context& context,
                                           const std::vector<Prm::View>& views)
{
    QStringList ids;
    for (const Prm::View& view : views)
        ids << QString::number(view.id());
    Bsc::Logger::writeToLog(QStringLiteral("call Rirediro::RemoveRenderFunctor::clearOutputImage %1 %2 %3")
                                .arg(layer.name())
                                .arg(context.time.toDouble())
                                .arg(ids.join(QLatin1Char(','))),
                            Bsc::Logger::Debug);
    for (const Prm::View& view : views) {
        const TQ::ClipID id = postProcManager().outputClip(layer.removeClipParameters(), view);
        projectManager().frameManager().removeOutputFrame(id, Prm::Context(context.time, view, context.mode));
    }
}

} // namespace Rirediro
