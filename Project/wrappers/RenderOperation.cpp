#include "RenderOperation.h"

#include "ProgressWatcher.h"
#include "PyHandle.h"

#include "Python/Bootstrap.h"
#include "Python/InUse.h"

#include <LC/RenderParameters.h>
#include <Prm/Frame.h>
#include <Prm/Parameter.h>
#include <Prm/Views.h>
#include <Rirediro/Clips/IClip.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/FileSystem/FileSystem.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_PostProcManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Render/RenderFunctor.h>
#include <TQ/Strings.h>

#include <QCoreApplication>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

const QString s_source = QStringLiteral("Project/wrappers/RenderOperation");

QString tr(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text);
}

Prm::Context frameContext(int frame, const View& view)
{
    return Prm::Context(Prm::Time::fromDouble(double(frame)), view.getView(), 3);
}

// The clip of the parameter's id for a view; null when there is none.
TQ::IClip* clipOf(const VUVI_FrameManager& frames, const TQ::ClipIDParameter& parameter, int32_t viewId)
{
    return frames.clip(TQ::ClipID(parameter.value(Prm::View(viewId))));
}

// ---- the per-frame functors --------------------------------------------------------------

// What every functor carries besides its base: the layers and the view.
template <typename Base>
class LayerFunctor : public Base
{
public:
    explicit LayerFunctor(VUVI_ProjectManager& project)
        : Base(project, Rirediro::RenderFunctor::CurrentFrame, false, Rirediro::RenderFunctor::LayerHook(),
               Rirediro::RenderFunctor::LayerHook())
    {
    }

    void setLayers(const QVector<Layer>& layers) { m_layers = layers; }
    void setView(const View& view) { m_view = view; }

protected:
    // The frame to render, in the render's view.
    Prm::Context::Explicit context() const
    {
        Prm::Context::Explicit frame = this->frameToProcess();
        frame.view = m_view.getView();
        return frame;
    }
    VUVI_PostProcManager& postProc() const { return this->postProcManager(); }
    // Each layer is held strongly only for the one call.
    template <typename Call>
    void forEachLayer(Call&& call) const
    {
        for (const Layer& layer : m_layers)
            call(*layer.handledObject());
    }

    QVector<Layer> m_layers;
    View m_view;
};

class InsertFunctor : public LayerFunctor<Rirediro::RenderFunctor>
{
public:
    using LayerFunctor::LayerFunctor;
    void renderFrame() override
    {
        const Prm::Context::Explicit frame = context();
        // Every layer's surface is put back before the first insert of the frame.
        forEachLayer([&](VUVI_Layer& layer) { postProc().vUndoRenderSurface(layer, frame, 1, false, true); });
        forEachLayer([&](VUVI_Layer& layer) { postProc().renderInsertLayer(layer, frame); });
    }
};

class StabilizeFunctor : public LayerFunctor<Rirediro::RenderFunctor>
{
public:
    using LayerFunctor::LayerFunctor;
    void renderFrame() override
    {
        const Prm::Context frame = context();
        forEachLayer([&](VUVI_Layer& layer) { postProc().stabiliseLayer(layer, frame); });
    }
};

class RemoveFunctor : public LayerFunctor<Rirediro::RemoveRenderFunctor>
{
public:
    using LayerFunctor::LayerFunctor;
    void renderFrame() override
    {
        const Prm::Context frame = context();
        if (!Rirediro::RemoveRenderFunctor::cumulativeRenderingEnabled()) {
            const std::vector<Prm::View> views{frame.view};
            forEachLayer([&](VUVI_Layer& layer) { clearOutputImage(layer, frame, views); });
        }
        forEachLayer([&](VUVI_Layer& layer) { postProc().fillLayerPixels(layer, frame); });
    }
};

class ReorientFunctor : public LayerFunctor<Rirediro::RenderFunctor>
{
public:
    using LayerFunctor::LayerFunctor;
    void setInputClip(const TQ::IClip* clip) { m_inputClip = clip; }
    void renderFrame() override
    {
        Prm::Context frame = context();
        frame.mode = 3;
        postProc().stabilizeHorizon(*m_inputClip, frame, 1);
    }

private:
    const TQ::IClip* m_inputClip = nullptr;
};

// ---- what differs per operation ----------------------------------------------------------

template <typename Functor>
struct Kind;

template <>
struct Kind<InsertFunctor>
{
    static constexpr bool needsLayers = true;
    static constexpr const char* context = "RenderInsertOperation";
    static constexpr const char* verb = QT_TRANSLATE_NOOP("RenderInsertOperation", "Inserting");
    static LC::RenderClipParameters& parameters(VUVI_Layer& layer) { return layer.insertParameters(); }
    static constexpr TQ::Strings::ClipNamePrefix namePrefix = TQ::Strings::InsertClipPrefix;
    // The insert's clip is recorded for the default view.
    static constexpr bool resultForRenderView = false;
};

template <>
struct Kind<StabilizeFunctor>
{
    static constexpr bool needsLayers = true;
    static constexpr const char* context = "RenderStabilizeOperation";
    static constexpr const char* verb = QT_TRANSLATE_NOOP("RenderStabilizeOperation", "Stabilizing");
    static LC::RenderClipParameters& parameters(VUVI_Layer& layer) { return layer.stabiliseClipParameters(); }
    static constexpr bool resultForRenderView = true;
};

template <>
struct Kind<RemoveFunctor>
{
    static constexpr bool needsLayers = true;
    static constexpr const char* context = "RenderRemoveOperation";
    static constexpr const char* verb = QT_TRANSLATE_NOOP("RenderRemoveOperation", "Removing");
    static LC::RenderClipParameters& parameters(VUVI_Layer& layer) { return layer.removeClipParameters(); }
    static constexpr TQ::Strings::ClipNamePrefix namePrefix = TQ::Strings::RemoveClipPrefix;
    static constexpr bool resultForRenderView = true;
};

template <>
struct Kind<ReorientFunctor>
{
    static constexpr bool needsLayers = false;
    // The reorient render speaks with the stabilise render's words.
    static constexpr const char* context = "RenderStabilizeOperation";
    static constexpr const char* verb = QT_TRANSLATE_NOOP("RenderStabilizeOperation", "Reorienting");
    static constexpr TQ::Strings::ClipNamePrefix namePrefix = TQ::Strings::ReorientClipPrefix;
    static constexpr bool resultForRenderView = true;
};

} // namespace

// The reorient parameters of the project's default trackable clip. A
// project without that clip has none to give: "No input clip for the layer".
LC::ReorientParameterSet& trackableClipReorientParameters(VUVI_ProjectManager& project)
{
    VUVI_FrameManager& frames = project.frameManager();
    TQ::IClip* clip = frames.clip(frames.defaultTrackableClip());
    VUVI_ErrorDetector::instance()->check(clip != nullptr, s_source, __LINE__, QStringLiteral("inputClip"),
                                          tr("RenderOperation", "No input clip for the layer"));
    return clip->baseClip().reorientParameters();
}

// ---- the operation -----------------------------------------------------------------------

RenderOperation::RenderOperation() : SbkCleaner(this)
{
    // A script may delete the watcher itself: the guard then spares it, and
    // a deletion underway on another thread stands.
    auto* watcher = new ProgressWatcher(true, nullptr);
    m_progressWatcher.reset(watcher, [guard = QPointer<QObject>(watcher)](ProgressWatcher* left) {
        if (!guard.isNull())
            PyHelpers::deleteWhenUnused(left);
    });
    m_watcherGuard = watcher;
}

// The watcher goes first, then the clean-up base invalidates the Python object.
RenderOperation::~RenderOperation() = default;

ProgressWatcher* RenderOperation::get_progress_watcher() const
{
    return m_watcherGuard.isNull() ? nullptr : m_progressWatcher.get();
}

void RenderOperation::validateIndexes(VUVI_ProjectManager& project, int start, int stop)
{
    const unsigned int length = project.projectProperties().length();
    const uint32_t max = Prm::Frame::MAX.value();
    VUVI_ErrorDetector::instance()->checkRange(
        0 < length && uint(length) <= max, s_source, 37,
        QStringLiteral("0 < length && uint( length ) <= Prm::Frame::MAX.value()"),
        tr("RenderOperation", "length '%1' out of range (must be between 1 and '%2')").arg(length).arg(max));
    const unsigned int last = length - 1u;
    if (start < 0 || unsigned(start) >= length)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("RenderOperation", "start_index '%1' out of range (must be between 0 and '%2')").arg(start).arg(last));
    if (stop < 0 || unsigned(stop) >= length)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("RenderOperation", "stop_index '%1' out of range (must be between 0 and '%2')").arg(stop).arg(last));
}

TQ::IClip* RenderOperation::render(VUVI_ProjectManager* project, int start, int stop, QVector<Layer> layers,
                                   View view, int step)
{
    if (!project)
        return nullptr;
    // A layer of another project is refused before anything is made; one
    // that is gone fails where the render first reads it.
    for (const Layer& layer : layers) {
        if (!layer.isNull())
            layer.handledObjectIn(*project);
    }
    Rirediro::FileSystem::createProjectOutputFolder(project->projectProperties());
    validateIndexes(*project, start, stop);
    if (step == 0)
        step = start > stop ? -1 : 1;
    return onRender(*project, start, stop, layers, view, step);
}

// ---- the driver --------------------------------------------------------------------------

template <typename Functor>
TQ::IClip* runRenderFunctor(RenderOperation& operation, RenderArgs& args)
{
    using K = Kind<Functor>;
    VUVI_ErrorDetector& detector = *VUVI_ErrorDetector::instance();
    detector.check(args.step != 0, s_source, 80, QStringLiteral("args.step"),
                   tr("RenderOperation", "Step value must not be zero"));
    // A step must walk towards stop: one walking away would never end.
    const bool renderForward = args.start <= args.stop;
    detector.check(renderForward ? args.step > 0 : args.step < 0, s_source, 82,
                   QStringLiteral("renderForward ? args.step > 0 : args.step < 0"),
                   tr("RenderOperation", "Wrong step value"));
    if (K::needsLayers)
        detector.check(!args.layers.isEmpty(), s_source, 86, QStringLiteral("!args.layers.isEmpty()"),
                       tr("RenderOperation", "No layers to render"));

    VUVI_ProjectManager& project = *args.project;
    VUVI_FrameManager& frames = project.frameManager();
    const int32_t defaultView = Prm::View::defaultViewId();
    const int32_t renderView = args.view.getView().id();

    // The parameter source. The first layer stays held for the whole render.
    boost::shared_ptr<VUVI_Layer> firstLayer;
    LC::RenderClipParameters* parameters = nullptr;
    if constexpr (K::needsLayers) {
        firstLayer = args.layers.first().handledObject();
        parameters = &K::parameters(*firstLayer);
    } else {
        parameters = &trackableClipReorientParameters(project);
    }

    frames.setCurrentFrame(frameContext(args.start, args.view));
    if (!isEmbedded()) {
        frames.vClearOutMemoryExceptForFrame(project.currentFrame(), 0);
        frames.vSetCacheStrategyRecycle(true);
    }

    TQ::IClip* inputClip = clipOf(frames, parameters->inputClipID(), defaultView);
    if (!inputClip) {
        inputClip = frames.clip(frames.defaultTrackableClip());
        detector.check(inputClip != nullptr, s_source, 107, QStringLiteral("inputClip"),
                       tr("RenderOperation", "No input clip for the layer"));
    }

    // The render writes into the clips it makes, and returns one of them,
    // though another render (on a thread that this one lends the core to)
    // may make the layers' output clips its own meanwhile.
    VUVI_PostProcManager::RenderOutputs outputs(project.postProcManager());
    const boost::shared_ptr<Prm::Views> views = project.projectProperties().views();
    const TQ::ClipIDParameter* first = nullptr;
    if constexpr (std::is_same<Functor, StabilizeFunctor>::value) {
        for (const Layer& layer : args.layers) {
            const boost::shared_ptr<VUVI_Layer> core = layer.handledObject();
            frames.createStabiliseOutputClip(*core, views);
            const TQ::ClipIDParameter& made = outputs.add(core->stabiliseClipParameters());
            first = first ? first : &made;
        }
    } else {
        frames.createOutputClip(*inputClip, parameters->outputClipID(), TQ::Strings::tr(K::namePrefix));
        first = &outputs.add(*parameters);
    }
    const TQ::ClipIDParameter& output = *first;

    frames.createClipViews(TQ::ClipID(output.value(Prm::View(defaultView))), views);
    frames.vSetCacheStrategy(int(parameters->inputClipID().value(Prm::View(renderView))), false);
    frames.vBackupBuffers();
    frames.unloadAllUnusedTempBuffers();

    Functor functor(project);
    if constexpr (K::needsLayers)
        functor.setLayers(args.layers);
    functor.setView(args.view);
    if constexpr (std::is_same<Functor, ReorientFunctor>::value) {
        // The input clip resolved above: the trackable clip stands in for
        // one the reorient parameters do not name.
        functor.setInputClip(inputClip);
    }

    const ProgressSender progress(operation.progressWatcherGuard());
    progress.started();

    QStringList names;
    for (const Layer& layer : args.layers)
        names.append(layer.get_name());
    const QString namesText = names.join(QLatin1Char(','));

    // Computed in 64 bits: no step and no range of ints overflows here.
    const int64_t span = std::llabs(int64_t(args.stop) - int64_t(args.start));
    const int frameCount = int(span / std::llabs(int64_t(args.step)) + 1);
    const QString verb = tr(K::context, K::verb);

    int64_t frame = args.start;
    for (int i = 0; renderForward ? frame <= args.stop : frame >= args.stop; ++i) {
        const QString message = namesText.isEmpty()
            ? tr("RenderOperation", "%1 in Frame %2").arg(verb, QString::number(frame))
            : tr("RenderOperation", "%1 \"%2\" in Frame %3").arg(verb, namesText, QString::number(frame));
        progress.message(message);
        frames.setCurrentFrame(frameContext(int(frame), args.view));
        functor.renderFrame();
        frames.vBackupBuffers();
        progress.status(ProgressSender::percent(i, frameCount));
        frame += args.step;
    }
    progress.status(100);
    progress.finished();

    const int32_t resultView = K::resultForRenderView ? renderView : defaultView;
    return clipOf(frames, output, resultView);
}

// ---- the four operations -------------------------------------------------------------------

RenderInsertOperation::~RenderInsertOperation() = default;
RenderStabilizeOperation::~RenderStabilizeOperation() = default;
RenderRemoveOperation::~RenderRemoveOperation() = default;
RenderReorientOperation::~RenderReorientOperation() = default;

namespace {
template <typename Functor>
TQ::IClip* renderWith(RenderOperation& operation, VUVI_ProjectManager& project, int start, int stop,
                      const QVector<Layer>& layers, const View& view, int step)
{
    RenderArgs args{&project, start, stop, layers, view, step};
    return runRenderFunctor<Functor>(operation, args);
}
} // namespace

TQ::IClip* RenderInsertOperation::onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers,
                                           View view, int step)
{
    return renderWith<InsertFunctor>(*this, project, start, stop, layers, view, step);
}

TQ::IClip* RenderStabilizeOperation::onRender(VUVI_ProjectManager& project, int start, int stop,
                                              QVector<Layer> layers, View view, int step)
{
    return renderWith<StabilizeFunctor>(*this, project, start, stop, layers, view, step);
}

TQ::IClip* RenderRemoveOperation::onRender(VUVI_ProjectManager& project, int start, int stop, QVector<Layer> layers,
                                           View view, int step)
{
    return renderWith<RemoveFunctor>(*this, project, start, stop, layers, view, step);
}

TQ::IClip* RenderReorientOperation::onRender(VUVI_ProjectManager& project, int start, int stop,
                                             QVector<Layer> layers, View view, int step)
{
    return renderWith<ReorientFunctor>(*this, project, start, stop, layers, view, step);
}
