#include "Rirediro/Project/VUVI_PostProcManager.h"

#include "FramePixels.h"

#include "Rirediro/Clips/IClip.h"
#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Bsc/Logger.h>
#include <Dururev/FrameImage.h>
#include <Dururev/ImageKit.h>

#include <QCoreApplication>

#include <algorithm>
#include <stdexcept>

namespace {

void record(const QString& operation, const QString& subject, const Prm::Context& context)
{
    Bsc::Logger::writeToLog(QStringLiteral("call VUVI_PostProcManager::%1 %2 %3 %4")
                                .arg(operation, subject)
                                .arg(context.time.toDouble())
                                .arg(context.view.id()),
                            Bsc::Logger::Debug);
}

[[noreturn]] void fail(const QString& message)
{
    Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, message, message);
}

Prm::View defaultView()
{
    return Prm::View(Prm::View::defaultViewId());
}

// The clip of a clip parameter for the view, else for the default view.
TQ::ClipID clipIDFor(const TQ::ClipIDParameter& parameter, const Prm::View& view)
{
    const TQ::ClipID id = parameter.value(view);
    return id != 0 ? id : parameter.value(defaultView());
}

// The innermost render running on this thread, of any project.
thread_local VUVI_PostProcManager::RenderOutputs* t_render = nullptr;

// One render into an output clip: where it reads and where it writes.
class OutputFrame
{
public:
    // A layer without an output clip of its own renders into `shared`, the
    // clip the layer before it rendered into (a render makes its output
    // clip for its first layer only); one with its own clip sets it.
    // Inside a render, the render's clips are its outputs instead.
    OutputFrame(VUVI_ProjectManager& project, const LC::RenderClipParameters& clips, const Prm::Context& context,
                TQ::ClipID* shared = nullptr)
        : m_frames(project.frameManager()), m_context(context)
    {
        const VUVI_PostProcManager& renderer = project.postProcManager();
        m_output = renderer.outputClip(clips, context.view);
        if (shared && !renderer.rendering()) {
            if (m_frames.clip(m_output))
                *shared = m_output;
            else
                m_output = *shared;
        }
        if (!m_frames.clip(m_output))
            fail(QCoreApplication::translate("VUVI_PostProcManager", "No output clip to render into"));
        m_input = clipIDFor(clips.inputClipID(), context.view);
        if (!m_frames.clip(m_input))
            m_input = m_frames.defaultTrackableClip();
    }

    // The input clip's frame.
    Rirediro::FramePixels input() const { return Rirediro::FramePixels(m_frames, m_input, m_context); }
    // What has been rendered into the frame so far, else the input's frame.
    Rirediro::FramePixels rendered() const
    {
        return Rirediro::FramePixels(m_frames, m_frames.hasOutputFrame(m_output, m_context) ? m_output : m_input,
                                     m_context);
    }
    void write(const Dururev::FrameImage& image) const { m_frames.writeOutputFrame(m_output, m_context, image); }

private:
    VUVI_FrameManager& m_frames;
    Prm::Context m_context;
    TQ::ClipID m_output = 0;
    TQ::ClipID m_input = 0;
};

// Runs a render kernel; what the kernels refuse (a frame layout they do not
// render, a track that is not finite) fails as the core's failures do.
template <typename Kernel>
Dururev::FrameImage rendered(Kernel&& kernel)
{
    try {
        return kernel();
    } catch (const std::invalid_argument& error) {
        fail(QCoreApplication::translate("VUVI_PostProcManager", "Cannot render the frame: %1")
                 .arg(QString::fromUtf8(error.what())));
    }
}

ImageKit::Shape trackedShape(const VUVI_Layer& layer, const Prm::Context& context, Gan_Matrix33& track)
{
    track = layer.transformationMatrix(context);
    return Rirediro::shapeOf(layer, context);
}

} // namespace

// ---- the render running on this thread ---------------------------------------------------

VUVI_PostProcManager::RenderOutputs::RenderOutputs(VUVI_PostProcManager& manager)
    : m_manager(manager), m_outer(t_render)
{
    t_render = this;
}

VUVI_PostProcManager::RenderOutputs::~RenderOutputs()
{
    t_render = m_outer;
}

const TQ::ClipIDParameter& VUVI_PostProcManager::RenderOutputs::add(const LC::RenderClipParameters& parameters)
{
    m_clips.emplace_back(&parameters, parameters.outputClipID());
    return m_clips.back().second;
}

TQ::ClipID VUVI_PostProcManager::RenderOutputs::clip(const LC::RenderClipParameters& parameters,
                                                     const Prm::View& view) const
{
    if (m_clips.empty())
        return 0;
    const auto own = std::find_if(m_clips.begin(), m_clips.end(),
                                  [&parameters](const auto& entry) { return entry.first == &parameters; });
    return clipIDFor(own != m_clips.end() ? own->second : m_clips.front().second, view);
}

const VUVI_PostProcManager::RenderOutputs* VUVI_PostProcManager::render() const
{
    const RenderOutputs* render = t_render;
    while (render && &render->m_manager != this)
        render = render->m_outer;
    return render;
}

TQ::ClipID VUVI_PostProcManager::outputClip(const LC::RenderClipParameters& parameters, const Prm::View& view) const
{
    if (const RenderOutputs* running = render())
        return running->clip(parameters, view);
    return clipIDFor(parameters.outputClipID(), view);
}

bool VUVI_PostProcManager::rendering() const
{
    return render() != nullptr;
}

void VUVI_PostProcManager::vUndoRenderSurface(VUVI_Layer& layer, const Prm::Context::Explicit& context, int, bool,
                                              bool)
{
    record(QStringLiteral("vUndoRenderSurface"), layer.name(), context);
    const OutputFrame frame(m_project, layer.insertParameters(), context, &m_insertOutput);
    frame.write(frame.input().frameImage());
}

void VUVI_PostProcManager::renderInsertLayer(VUVI_Layer& layer, const Prm::Context::Explicit& context)
{
    record(QStringLiteral("renderInsertLayer"), layer.name(), context);
    const OutputFrame frame(m_project, layer.insertParameters(), context, &m_insertOutput);
    Gan_Matrix33 track;
    const ImageKit::Shape shape = trackedShape(layer, context, track);
    const TQ::ClipID insertClip = clipIDFor(layer.insertParameters().insertClipID(), context.view);
    if (insertClip != 0 && m_project.frameManager().clip(insertClip)) {
        const Rirediro::FramePixels picture(m_project.frameManager(), insertClip, context);
        frame.write(rendered([&] { return Dururev::kernels().insertPicture(frame.rendered(), shape, track, picture); }));
    } else {
        const ImageKit::Colour colour = Rirediro::colourOf(layer.matteColor());
        frame.write(rendered([&] { return Dururev::kernels().insertColour(frame.rendered(), shape, track, colour); }));
    }
}

void VUVI_PostProcManager::stabiliseLayer(VUVI_Layer& layer, const Prm::Context& context)
{
    record(QStringLiteral("stabiliseLayer"), layer.name(), context);
    const OutputFrame frame(m_project, layer.stabiliseClipParameters(), context);
    const Gan_Matrix33 track = layer.transformationMatrix(context);
    frame.write(rendered([&] { return Dururev::kernels().stabilise(frame.input(), track); }));
}

void VUVI_PostProcManager::fillLayerPixels(VUVI_Layer& layer, const Prm::Context& context)
{
    record(QStringLiteral("fillLayerPixels"), layer.name(), context);
    const OutputFrame frame(m_project, layer.removeClipParameters(), context, &m_removeOutput);
    Gan_Matrix33 track;
    const ImageKit::Shape shape = trackedShape(layer, context, track);
    frame.write(rendered([&] { return Dururev::kernels().fillShape(frame.rendered(), shape, track); }));
}

void VUVI_PostProcManager::stabilizeHorizon(const TQ::IClip& clip, Prm::Context context, int)
{
    record(QStringLiteral("stabilizeHorizon"), clip.name(), context);
    const LC::ReorientParameterSet& reorient = clip.baseClip().reorientParameters();
    const OutputFrame frame(m_project, reorient, context);
    const Rirediro::FramePixels input(m_project.frameManager(), clip.clipID(), context);
    const double angle = reorient.angle().value(context);
    frame.write(rendered([&] { return Dururev::kernels().rotateHorizon(input, angle); }));
}
