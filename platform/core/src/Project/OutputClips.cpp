// The clips renders write: image sequences in the project's output folder.

#include "Rirediro/Project/VUVI_FrameManager.h"

#include "../Clips/ClipFrames.h"
#include "FrameImageCache.h"

#include "Rirediro/Clips/IClip.h"
#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/FileSystem/FileSystem.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Bsc/Logger.h>
#include <Dururev/FrameImage.h>
#include <Prm/Views.h>
#include <TQ/ClipInfo.h>
#include <TQ/Strings.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

void record(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call ") + call, Bsc::Logger::Debug);
}

// Output files carry this many digits: the file index is the project frame.
constexpr unsigned int OutputIndexWidth = 4;

// A clip name as a file-name prefix: letters, digits, '-' and '_' kept, the
// rest turned into '_'.
QString filePrefixOf(const QString& name)
{
    QString prefix = name;
    prefix.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return prefix + QLatin1Char('_');
}

// Whether any file of the output folder starts with the prefix.
bool prefixTaken(const QString& folder, const QString& prefix)
{
    const QStringList files = QDir(folder).entryList({prefix + QLatin1Char('*')}, QDir::Files);
    return !files.isEmpty();
}

// Points the view's stream at the output sequence `folder`/`prefix`NNNN`suffix`
// of `length` frames.
void pointStreamAt(TQ_ClipInfo& info, const Prm::View& view, const QString& folder, const QString& prefix,
                   const QString& suffix, unsigned int length)
{
    info.streamPath().setValue(folder, view);
    info.prefix().setValue(Bsc::FSPercentEscapedString(prefix, 0), view);
    info.suffix().setValue(Bsc::FSPercentEscapedString(suffix, 0), view);
    info.firstIndex().setValue(0, view);
    info.lastIndex().setValue(length > 0 ? length - 1 : 0, view);
    info.indexWidth().setValue(OutputIndexWidth, view);
    info.isSequence().setValue(true, view);
    info.setLength(length, view);
}

// The end of the file names of a view's stream other than the first: "_"
// and the view's file tag.
QString viewSuffix(const Prm::Views* views, const Prm::View& view)
{
    return QStringLiteral("_") + (views ? views->fileTag(view) : QString::number(view.id()));
}

[[noreturn]] void fail(const QString& message)
{
    Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, message, message);
}

} // namespace

const Rirediro::IClipMaker& VUVI_FrameManager::clipMaker(VUVI_ProjectManager& project)
{
    return project.frameManager().clipMaker();
}

TQ::ClipID VUVI_FrameManager::registerDerivedClip(const Rirediro::IClipMaker& maker, unsigned int baseClipID,
                                                  const TQ_ClipInfo& info, const QString& name, bool keepStreams,
                                                  unsigned int)
{
    record(QStringLiteral("VUVI_FrameManager::registerDerivedClip %1 '%2' %3").arg(baseClipID).arg(name).arg(keepStreams));
    const auto base = m_baseClips.find(baseClipID);
    if (base == m_baseClips.end())
        return 0;
    TQ_ClipInfo derived(info);
    if (!keepStreams) {
        const ProjectProperties& properties = m_project.projectProperties();
        const QString folder = properties.absoluteOutputDir();
        const QString prefix = filePrefixOf(name);
        const QString extension = m_project.defaultFileExtension();
        for (const Prm::View& view : derived.views()) {
            const QString suffix =
                view == derived.views().front() ? extension : viewSuffix(properties.views().get(), view) + extension;
            pointStreamAt(derived, view, folder, prefix, suffix, properties.length());
        }
    }
    const TQ::ClipID id = freeClipID(baseClipID);
    VUVI_Clip* clip = restoreClip(maker, baseClipID, id, name, base->second->baseInfo(), derived);
    return clip ? clip->clipID() : 0;
}

VUVI_Clip* VUVI_FrameManager::createOutputClip(const TQ::IClip& input, Prm::Parameter<unsigned int>& outputClip,
                                               const QString& namePrefix)
{
    record(QStringLiteral("VUVI_FrameManager::createOutputClip %1 '%2'").arg(input.clipID()).arg(namePrefix));
    // The first number whose clip name and files are both free.
    const QString folder = m_project.projectProperties().absoluteOutputDir();
    QString name;
    for (int number = 1;; ++number) {
        name = QStringLiteral("%1 %2").arg(namePrefix).arg(number);
        const bool nameTaken = std::any_of(m_clips.begin(), m_clips.end(),
                                           [&name](const VUVI_Clip* clip) { return clip->name() == name; });
        if (!nameTaken && !prefixTaken(folder, filePrefixOf(name)))
            break;
    }
    const TQ::ClipID id = registerDerivedClip(clipMaker(), input.baseClipID(),
                                              input.clipInfo().copyInfoForDerivedClip(), name, false, 0);
    if (id == 0)
        return nullptr;
    outputClip.setValue(id, Prm::View(Prm::View::defaultViewId()));
    return findClip(id);
}

VUVI_Clip* VUVI_FrameManager::createStabiliseOutputClip(VUVI_Layer& layer, const boost::shared_ptr<Prm::Views>& views)
{
    LC::RenderClipParameters& parameters = layer.stabiliseClipParameters();
    const TQ::IClip* input = clip(parameters.inputClipID().value(Prm::View(Prm::View::defaultViewId())));
    if (!input)
        input = clip(layer.clipID());
    if (!input)
        input = clip(m_defaultTrackableClip);
    if (!input)
        return nullptr;
    VUVI_Clip* output =
        createOutputClip(*input, parameters.outputClipID(), TQ::Strings::tr(TQ::Strings::StabiliseClipPrefix));
    if (output && views) {
        for (const Prm::View& view : views->viewList())
            parameters.outputClipID().setValue(output->clipID(), view);
    }
    return output;
}

void VUVI_FrameManager::createClipViews(TQ::ClipID id, const boost::shared_ptr<Prm::Views>& views)
{
    record(QStringLiteral("VUVI_FrameManager::createClipViews %1").arg(id));
    VUVI_Clip* clip = findClip(id);
    if (!clip || !views)
        return;
    TQ_ClipInfo info = clip->clipInfo();
    const Prm::View first = info.views().front();
    const QString folder = info.streamPath().value(first);
    const QString prefix = info.prefix().value(first).text();
    const QString suffix = info.suffix().value(first).text();
    const unsigned int length = info.length().value(first);
    std::vector<Prm::View> clipViews = info.views();
    bool added = false;
    for (const Prm::View& view : views->viewList()) {
        if (info.hasView(view))
            continue;
        clipViews.push_back(view);
        info.setViews(clipViews);
        pointStreamAt(info, view, folder, prefix, viewSuffix(views.get(), view) + suffix, length);
        added = true;
    }
    if (added)
        clip->setClipInfoInternal(info);
}

QString VUVI_FrameManager::outputFileForFrame(TQ::ClipID id, const Prm::Context& context) const
{
    const VUVI_Clip* clip = findClip(id);
    const double time = context.time.toDouble();
    if (!clip || !(time >= 0))
        return QString();
    return Rirediro::clipFrameSource(*clip, context.view, unsigned(time)).file;
}

void VUVI_FrameManager::writeOutputFrame(TQ::ClipID id, const Prm::Context& context, const Dururev::FrameImage& image)
{
    const QString file = outputFileForFrame(id, context);
    if (file.isEmpty())
        fail(QCoreApplication::translate("VUVI_FrameManager", "No output clip %1 to render into").arg(id));
    QDir().mkpath(QFileInfo(file).absolutePath());
    QString fileError;
    if (!Dururev::writeImage(file, image, &fileError))
        Rirediro::FileSystem::failedWrite(file, fileError);
    const Prm::Context clipContext = getClipContext(findClip(id), context);
    m_frameImages->forget({id, clipContext.view.id(), Prm::Frame::fromTime(clipContext.time).value()});
}

bool VUVI_FrameManager::hasOutputFrame(TQ::ClipID id, const Prm::Context& context) const
{
    const QString file = outputFileForFrame(id, context);
    return !file.isEmpty() && QFileInfo(file).isFile();
}

void VUVI_FrameManager::removeOutputFrame(TQ::ClipID id, const Prm::Context& context)
{
    const QString file = outputFileForFrame(id, context);
    if (file.isEmpty())
        return;
    QFile::remove(file);
    const Prm::Context clipContext = getClipContext(findClip(id), context);
    m_frameImages->forget({id, clipContext.view.id(), Prm::Frame::fromTime(clipContext.time).value()});
}
