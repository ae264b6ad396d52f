#include "Clip.h"

#include "ColorParameters.h"
#include "Python/InUse.h"
#include "DetachedClipMaker.h"
#include "ExportFileNames.h"
#include "ImageData.h"
#include "ImageLocation.h"
#include "Parameter.h"
#include "ParameterPath.h"
#include "ParameterSet.h"
#include "ProgressWatcher.h"
#include "PyHandle.h"

#include "Python/Bootstrap.h"
#include "Python/PyHelpers.h"

#include <Dururev/Dururev.h>
#include <Dururev/MovieInfo.h>
#include <LC/FileClip.h>
#include <Prm/Frame.h>
#include <Prm/Views.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Export/ClipSaveHelper.h>
#include <Rirediro/FileSystem/FileSystem.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>
#include <TQI/ImageSequenceIdentifier.h>

#include <QCoreApplication>
#include <QFileInfo>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const QString s_source = QStringLiteral("../Project/wrappers/Clip");
constexpr unsigned int NoFrame = 4294967295u;

VUVI_ErrorDetector& detector()
{
    return *VUVI_ErrorDetector::instance();
}

Prm::View atView(const TQ_ClipInfo& info, const Prm::View& view)
{
    return info.remapViewIfRequired(view, TQ_ClipInfo::ProjectToClipView);
}

Bsc::FSPercentEscapedString fsString(const QString& text)
{
    return Bsc::FSPercentEscapedString(text, 0);
}

bool contains(const std::vector<Prm::View>& views, const Prm::View& view)
{
    return std::find(views.begin(), views.end(), view) != views.end();
}

// Splits the name of a sequence file into the stream settings of `view`.
// The buffers are as long as the path, so a folder of any length keeps its
// whole path.
void fillClipInfoFromSequencePath(TQ_ClipInfo& info, const QString& path, const Prm::View& view)
{
    const std::string url = "file://" + path.toStdString();
    TQI_ImageSequenceIdentifier identifier(url, false);
    const std::size_t size = std::max<std::size_t>(256, url.size() + 1);
    std::vector<char> directory(size), prefix(size), suffix(size);
    unsigned int first = 0, second = 1, width = 1;
    identifier.vFillIn(false, directory.data(), size, prefix.data(), size, suffix.data(), size, &first, &second,
                       &width);

    const Prm::View clipView = atView(info, view);
    info.streamPath().setValue(QString::fromUtf8(directory.data()), clipView);
    info.prefix().setValue(fsString(QString::fromUtf8(prefix.data())), clipView);
    info.suffix().setValue(fsString(QString::fromUtf8(suffix.data())), clipView);
    info.indexWidth().setValue(width, clipView);
    info.firstIndex().setValue(first, clipView);
    info.isSequence().setValue(width != 0, view);
}

// The three checks of a footage file asked for with `validate`; `stop` is
// the full stop that add_stream's messages end with.
void validateFile(const QString& path, const QString& stop)
{
    const QFileInfo file(path);
    auto message = [&](const char* text) { return QCoreApplication::translate("Clip", text) + stop; };
    if (!file.exists())
        Rirediro::throwException<VUVI_BadFile>(message("File '%1' does not exist").arg(path));
    if (!file.isFile())
        Rirediro::throwException<VUVI_BadFile>(message("'%1' is not a file").arg(path));
    if (!file.isReadable())
        Rirediro::throwException<VUVI_BadFile>(message("File '%1' is not readable").arg(path));
}

// The number of decimal digits of a number, as the export names its files.
unsigned int decimalDigits(unsigned int number)
{
    if (number == 0)
        return 1;
    return unsigned(std::log(static_cast<long double>(number) + 0.5L) / std::log(10.0L)) + 1;
}

// Writes a project clip's frames through the core's clip saver; it owns the
// export parameters of one export.
class ClipRenderer : private Rirediro::ClipSaveHelper
{
public:
    using Rirediro::ClipSaveHelper::doSaveClip;
    using Rirediro::ClipSaveHelper::populateClipIndices;
    using Rirediro::ClipSaveHelper::prepareToSaveClip;
    using Rirediro::ClipSaveHelper::setupChannelsAndFormat;

    std::unique_ptr<Rirediro::ExportClipParams> m_params;
    QString m_firstFileName;
};

} // namespace

// ---- construction ---------------------------------------------------------------

Clip::Clip(const Bsc::detail::QPointerEx<TQ::IClip, QPointer>& clip, boost::shared_ptr<VUVI_ProjectManager> project,
           QObject* parent)
    : QObject(nullptr), SbkCleaner(this)
{
    if (TQ::IClip* coreClip = clip.data(); coreClip && project) {
        const auto& baseClips = project->frameManager().baseClips();
        const auto found = baseClips.find(coreClip->baseClipID());
        if (found != baseClips.end())
            m_baseClip = boost::shared_ptr<TQ::IBaseClip>(found->second);
        m_project = project;
        m_clipId = coreClip->clipID();
    }
    m_colorParameters = new ColorParameters(LinearColorspace, NoneConversion, 0.0f, 0.0f, 685.0f, 0.0f, 1.0f);
    PyHelpers::giveParent(*m_colorParameters, this);
    m_progressWatcher = new ProgressWatcher(true, this);
    if (!m_baseClip.expired())
        setUpColorParameters();
    detail::giveParent(*this, parent);
}

Clip::Clip(const QString& clip_path, const QString& clip_name, bool validate, unsigned int width, unsigned int height,
           unsigned int length, QObject* parent)
    : QObject(nullptr), SbkCleaner(this)
{
    m_colorParameters = new ColorParameters(LinearColorspace, NoneConversion, 0.0f, 0.0f, 685.0f, 0.0f, 1.0f);
    PyHelpers::giveParent(*m_colorParameters, this);
    m_progressWatcher = new ProgressWatcher(true, this);

    TQ_BaseClipInfo baseInfo;
    TQ_ClipInfo clipInfo;
    if (validate)
        validateFile(clip_path, QString());

    if (!Dururev::getInfoFromMovieFile(clip_path, baseInfo, clipInfo, true)) {
        if (validate)
            Rirediro::throwException<VUVI_BadFile>(tr("Can not get info from file '%1'").arg(clip_path));
        baseInfo.setFrameWidth(std::max(width, 1u));
        baseInfo.setFrameHeight(std::max(height, 1u));
        const unsigned int frames = std::max(length, 1u);
        clipInfo.setLength(frames, Prm::View::INVALID);
        const Prm::View defaultView(Prm::View::defaultViewId());
        fillClipInfoFromSequencePath(clipInfo, clip_path, defaultView);
        // The last of `frames` frames numbered from the first index.
        const unsigned int first = clipInfo.minIndex(defaultView);
        clipInfo.lastIndex().setValue(first + frames - 1, atView(clipInfo, defaultView));
    }

    auto baseClip = boost::make_shared<VUVI_BaseClip>(DetachedClipMaker(), 1, clip_name, nullptr, true);
    baseClip->setBaseClipInfoInternal(baseInfo);
    m_clipId = baseClip->baseClipID();
    baseClip->clip(m_clipId)->vSetClipInfo(clipInfo);
    m_ownedBaseClip = baseClip;
    m_baseClip = m_ownedBaseClip;

    setUpColorParameters();
    m_colorParameters->set_gamma(Dururev::imageSuite(true)->getGamma(clip_path));
    detail::giveParent(*this, parent);
}

Clip::~Clip()
{
    // Its colour parameters, which a call on another thread may be reading.
    PyHelpers::deleteChildrenWhenUnused<ColorParameters>(*this);
}

boost::shared_ptr<VUVI_Clip> Clip::internalClip() const
{
    const boost::shared_ptr<TQ::IBaseClip> baseClip = PyHandle<void>::fromWeakToShared(m_baseClip);
    boost::shared_ptr<VUVI_Clip> clipPtr = baseClip->clip(m_clipId);
    detector().check(bool(clipPtr), s_source, 265, QStringLiteral("clipPtr"), tr("Invalid object"));
    return clipPtr;
}

boost::shared_ptr<VUVI_Clip> Clip::internalClipIn(const VUVI_ProjectManager& project) const
{
    boost::shared_ptr<VUVI_Clip> clip = internalClip();
    if (!project.frameManager().clips().contains(clip.get()))
        Rirediro::throwException<VUVI_BadState>(tr("Clip is not attached to this project"));
    return clip;
}

boost::shared_ptr<VUVI_Clip> Clip::internalClipIfAlive() const
{
    const boost::shared_ptr<TQ::IBaseClip> baseClip = m_baseClip.lock();
    return baseClip ? baseClip->clip(m_clipId) : nullptr;
}

boost::shared_ptr<VUVI_ProjectManager> Clip::PM() const
{
    boost::shared_ptr<VUVI_ProjectManager> projectManager = m_project.lock();
    detector().check(bool(projectManager), s_source, 272, QStringLiteral("projectManager"),
                     tr("Detected an attempt to use a detached clip with a project"));
    return projectManager;
}

// ---- properties -----------------------------------------------------------------

QString Clip::get_name() const
{
    return internalClip()->name();
}

unsigned int Clip::get_id() const
{
    return internalClip()->clipID();
}

QPair<unsigned int, unsigned int> Clip::get_frame_size() const
{
    const TQ_BaseClipInfo& baseInfo = internalClip()->baseClip().baseInfo();
    return qMakePair(baseInfo.frameWidth(), baseInfo.frameHeight());
}

void Clip::set_frame_size(const QPair<unsigned int, unsigned int>& size)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    TQ_BaseClipInfo baseInfo = clip->baseClip().baseInfo();
    baseInfo.setFrameWidth(size.first);
    baseInfo.setFrameHeight(size.second);
    clip->vReplaceInfoAndFootage(baseInfo, clip->clipInfo());
}

float Clip::get_frame_rate() const
{
    return internalClip()->baseClip().baseInfo().frameRate();
}

void Clip::set_frame_rate(float rate)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    TQ_BaseClipInfo baseInfo = clip->baseClip().baseInfo();
    baseInfo.setFrameRate(rate);
    clip->vReplaceInfo(baseInfo, clip->clipInfo());
}

int Clip::get_first_frame_offset() const
{
    return internalClip()->baseClip().baseInfo().firstFrameOffset();
}

void Clip::set_first_frame_offset(int offset)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    TQ_BaseClipInfo baseInfo = clip->baseClip().baseInfo();
    baseInfo.setFirstFrameOffset(offset);
    clip->vReplaceInfo(baseInfo, clip->clipInfo());
}

ProgressWatcher* Clip::get_progress_watcher() const
{
    return m_progressWatcher.data();
}

bool Clip::operator==(const Clip& other) const
{
    return internalClip() == other.internalClip();
}

// ---- colour -----------------------------------------------------------------------

ColorParameters* Clip::get_color_parameters()
{
    return m_colorParameters.data();
}

void Clip::setUpColorParameters()
{
    const TQ_ColorSpaceSettings settings = internalClip()->clipInfo().colorSpaceSettings();
    ColorParameters& colour = *m_colorParameters;
    colour.set_colorspace(static_cast<Colorspace>(settings.colorSpace));
    if (settings.floatConversion)
        colour.set_conversion(FloatConversion);
    else if (settings.eightBitConversion)
        colour.set_conversion(_8BitConversion);
    colour.set_offset(settings.offset);
    colour.set_log_reference_black(settings.logReferenceBlack);
    colour.set_log_reference_white(settings.logReferenceWhite);
    colour.set_softclip(settings.softClip);
    colour.set_gamma(settings.gamma);
    followColorParameters(m_colorParameters.data());
}

void Clip::followColorParameters(ColorParameters* parameters)
{
    parameters->addFollower(this);
}

void Clip::takeColorParameters(ColorParameters* parameters)
{
    if (!PyHelpers::giveParent(*parameters, this))
        Rirediro::throwException<VUVI_BadState>(
            tr("The colour parameters belong to another thread than the clip"));
}

void Clip::onColorParametersChanged()
{
    const ColorParameters* colour = m_colorParameters.data();
    if (!colour)
        return;
    // A setter's signal from any thread: the clip is written inside the core.
    const PyHelpers::CoreEntered core;
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    TQ_ClipInfo info = clip->clipInfo();
    TQ_ColorSpaceSettings& settings = info.colorSpaceSettings();
    settings.colorSpace = colour->get_colorspace();
    // One conversion at a time: switching one on switches the other off,
    // and NoneConversion switches both off.
    settings.floatConversion = colour->get_conversion() == FloatConversion ? 1 : 0;
    settings.eightBitConversion = colour->get_conversion() == _8BitConversion ? 1 : 0;
    settings.offset = colour->get_offset();
    settings.logReferenceBlack = colour->get_log_reference_black();
    settings.logReferenceWhite = colour->get_log_reference_white();
    settings.softClip = colour->get_softclip();
    settings.gamma = colour->get_gamma();
    clip->vSetClipInfo(info);
}

void Clip::set_color_parameters(ColorParameters* parameters)
{
    internalClip(); // a clip that is gone takes nothing
    if (parameters && parameters == m_colorParameters.data()) {
        onColorParametersChanged();
        return;
    }
    if (parameters)
        takeColorParameters(parameters);
    if (m_colorParameters)
        m_colorParameters->removeFollower(this);
    m_colorParameters = parameters;
    if (!parameters)
        return;
    followColorParameters(parameters);
    onColorParametersChanged();
}

// ---- streams and views ------------------------------------------------------------

StreamInfo Clip::get_info(const View& view) const
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const TQ_ClipInfo& info = clip->clipInfo();
    if (info.isCleanplate())
        Rirediro::throwException<VUVI_BadState>(
            tr("Cannot retrieve clip info for cleanplate clip '%1'").arg(clip->name()));
    const Prm::View clipView = atView(info, view.getView());
    return StreamInfo(info.streamPath().value(clipView), info.prefix().value(clipView).text(),
                      info.suffix().value(clipView).text(), info.minIndex(view.getView()),
                      info.maxIndex(view.getView()), info.indexWidth().value(clipView));
}

QVector<View> Clip::get_views() const
{
    QVector<View> views;
    for (const Prm::View& view : internalClip()->clipInfo().views())
        views.append(View(view));
    return views;
}

void Clip::add_stream(const QString& first_clip_file, View view, unsigned int start_frame, unsigned int stop_frame,
                      bool validate)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const std::vector<Prm::View> projViews = PM()->projectProperties().views()->viewList();
    detector().checkRange(contains(projViews, view.getView()), s_source, 733,
                          QStringLiteral("projViews.end() != std::find( projViews.begin(), projViews.end(), "
                                         "view.getView() )"),
                          tr("No such project view: '%1'.").arg(view.__repr__()));
    const Prm::View clipView = view.getView();
    detector().checkRange(!clip->clipInfo().hasView(clipView), s_source, 743,
                          QStringLiteral("clipViews.end() == std::find( clipViews.begin(), clipViews.end(), "
                                         "clipView )"),
                          tr("Clip '%1' already has view '%2'").arg(clip->name(), view.__repr__()));
    if (validate)
        validateFile(first_clip_file, QStringLiteral("."));

    TQ_ClipInfo info = clip->clipInfo();
    TQ_BaseClipInfo tmpBaseInfo;
    TQ_ClipInfo tmpClipInfo;
    if (!Dururev::getInfoFromMovieFile(first_clip_file, tmpBaseInfo, tmpClipInfo, true)) {
        if (validate)
            Rirediro::throwException<VUVI_BadFile>(tr("Can not get info from file '%1'").arg(first_clip_file));
        fillClipInfoFromSequencePath(tmpClipInfo, first_clip_file, view.getView());
    }
    if (validate) {
        const unsigned int first = tmpClipInfo.minIndex();
        const unsigned int last = tmpClipInfo.maxIndex();
        detector().checkRange(start_frame >= first && start_frame <= last, s_source, 777,
                              QStringLiteral("start_frame >= tmpClipInfo.minIndex() && start_frame <= "
                                             "tmpClipInfo.maxIndex()"),
                              tr("start_frame '%1' out of range (must be between '%2' and '%3')")
                                  .arg(start_frame)
                                  .arg(first)
                                  .arg(last));
        detector().checkRange(stop_frame >= first && stop_frame <= last, s_source, 781,
                              QStringLiteral("stop_frame >= tmpClipInfo.minIndex() && stop_frame <= "
                                             "tmpClipInfo.maxIndex()"),
                              tr("stop_frame '%1' out of range (must be between '%2' and '%3')")
                                  .arg(stop_frame)
                                  .arg(first)
                                  .arg(last));
        detector().checkRange(start_frame <= stop_frame, s_source, 783, QStringLiteral("start_frame <= stop_frame"),
                              tr("Wrong frame range. Start index is greater than stop one."));
    }
    const Prm::View tmpView = atView(tmpClipInfo, Prm::View());
    tmpClipInfo.firstIndex().setValue(start_frame, tmpView);
    tmpClipInfo.lastIndex().setValue(stop_frame, tmpView);
    info.importStreams(tmpClipInfo, view.getView(), NoFrame);
    clip->vReplaceInfoAndFootage(clip->baseClip().baseInfo(), info);
}

void Clip::delete_stream(View view)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const Prm::View clipView = view.getView();
    detector().checkRange(clip->clipInfo().hasView(clipView), s_source, 798,
                          QStringLiteral("clipViews.end() != std::find( clipViews.begin(), clipViews.end(), "
                                         "clipView )"),
                          tr("Clip '%1' does not have the view '%2'").arg(clip->name(), view.__repr__()));
    TQ_ClipInfo info = clip->clipInfo();
    // A clip keeps at least one view: the info refuses to drop its last.
    if (!info.deleteClipView(clipView))
        Rirediro::throwException<VUVI_OperationFailed>(
            s_source.toUtf8().constData(), __LINE__,
            tr("Cannot delete view '%1': it is the only view of clip '%2'").arg(view.__repr__(), clip->name()), {});
    clip->vReplaceInfoAndFootage(clip->baseClip().baseInfo(), info);
}

void Clip::apply(const StreamInfo& stream_info, const View& view)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    TQ_ClipInfo info = clip->clipInfo();
    const Prm::View clipView = atView(info, view.getView());
    info.streamPath().setValue(stream_info.get_path(), clipView);
    info.prefix().setValue(fsString(stream_info.get_prefix()), clipView);
    info.suffix().setValue(fsString(stream_info.get_suffix()), clipView);
    info.firstIndex().setValue(stream_info.get_start_frame(), clipView);
    info.lastIndex().setValue(stream_info.get_end_frame(), clipView);
    info.indexWidth().setValue(stream_info.get_index_width(), clipView);
    clip->vReplaceInfoAndFootage(clip->baseClip().baseInfo(), info);
}

void Clip::assign_project_view(View view, View proj_view)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const std::vector<Prm::View> projViews = PM()->projectProperties().views()->viewList();
    const Prm::View projView = proj_view.getView();
    detector().checkRange(contains(projViews, projView), s_source, 814,
                          QStringLiteral("projViews.end() != std::find( projViews.begin(), projViews.end(), "
                                         "projView )"),
                          tr("No such project view: '%1'.").arg(proj_view.__repr__()));
    const Prm::View clipView = view.getView();
    detector().checkRange(clip->clipInfo().hasView(clipView), s_source, 822,
                          QStringLiteral("clipViews.end() != std::find( clipViews.begin(), clipViews.end(), "
                                         "clipView )"),
                          tr("Clip '%1' does not have the view '%2'").arg(clip->name(), view.__repr__()));
    TQ_ClipInfo info = clip->clipInfo();
    info.setClipViewForProjectView(projView, clipView);
    clip->vReplaceInfoAndFootage(clip->baseClip().baseInfo(), info);
}

QMap<View, View> Clip::get_view_mapping() const
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const std::vector<Prm::View> projViews = PM()->projectProperties().views()->viewList();
    const TQ_ClipInfo info = clip->clipInfo();
    QMap<View, View> mapping;
    for (const Prm::View& projView : projViews)
        mapping.insert(View(projView), View(info.clipViewForProjectView(projView)));
    return mapping;
}

// ---- export and relink ------------------------------------------------------------

void Clip::exportClip(Clip* revertToClip, const QString& directory, const QString& extension, const QString& prefix,
                      const QString& suffix, unsigned int index_start, unsigned int index_finish,
                      unsigned int index_width, const QVector<View>& views, bool separate_streams,
                      unsigned int offset, unsigned int step)
{
    // Nothing is made, not even the folder, for a call that cannot export.
    TQ::ClipID revertClipID = 0;
    {
        internalClip();
        const boost::shared_ptr<VUVI_ProjectManager> project = PM();
        if (revertToClip)
            revertClipID = revertToClip->internalClipIn(*project)->clipID();
    }
    Python::checkExportFileNames(prefix, suffix, extension, index_width, quint64(index_start) + offset,
                                 quint64(index_finish) + offset);
    Rirediro::FileSystem::createFolder(directory, tr("output"));
    ScopedProgressConnector connector(m_progressWatcher.data());
    ClipRenderer renderer;

    {
        const boost::shared_ptr<VUVI_ProjectManager> project = PM();
        const ProjectProperties& properties = project->projectProperties();
        const unsigned int length = properties.length();
        detector().checkRange(0 < length && length <= Prm::Frame::MAX.value(), s_source, 594,
                              QStringLiteral("0 < length && length <= Prm::Frame::MAX.value()"),
                              tr("length '%1' out of range (must be between 1 and '%2')")
                                  .arg(length)
                                  .arg(Prm::Frame::MAX.value()));
        if (index_start >= length)
            Rirediro::throwException<VUVI_OutOfRange>(
                QCoreApplication::translate("ClipSaveHelper",
                                            "index_start '%1' out of range (must be between 0 and '%2')")
                    .arg(index_start)
                    .arg(length - 1));
        if (index_finish < index_start || index_finish >= length)
            Rirediro::throwException<VUVI_OutOfRange>(
                QCoreApplication::translate("ClipSaveHelper",
                                            "index_finish '%1' out of range (must be between '%2' and '%3')")
                    .arg(index_finish)
                    .arg(index_start)
                    .arg(length - 1));

        const boost::shared_ptr<VUVI_Clip> clip = internalClip();
        renderer.m_params = std::make_unique<Rirediro::ExportClipParams>();
        Rirediro::ExportClipParams& params = *renderer.m_params;
        params.setExportOptions(1);
        params.setClipPrefix(fsString(prefix));
        params.setClipSuffix(fsString(suffix));
        params.setFirstFileNumber(index_start + offset);
        params.setStep(step);
        params.setClipIndexWidth(std::max(index_width, decimalDigits(index_finish)));
        params.setClipPath(directory);
        params.setClipExtension(extension);
        params.setSourceClipID(clip->clipID());
        params.setRevertClipID(revertClipID);
        renderer.setupChannelsAndFormat(params, clip->clipInfo(), false, true, false, false, false);

        VUVI_FrameManager& frames = project->frameManager();
        const TQ_ClipInfo* frameInfo = frames.clipInfo(clip->clipID(), 0);
        const TQ_BaseClipInfo* baseInfo = frames.baseInfo(clip->baseClipID());
        const bool pulldown =
            baseInfo && frameInfo && TQ::isPulldown(baseInfo->interlaceMode()) && frameInfo->pulldownRemoval() == 1;
        const int firstFrameOffset = properties.firstFrameOffset();
        renderer.populateClipIndices(params, *project, firstFrameOffset + index_start,
                                     firstFrameOffset + index_finish, pulldown);

        QVector<Prm::View> exported;
        if (views.isEmpty())
            exported.append(project->currentFrame().view);
        for (const View& view : views)
            exported.append(view.getView());
        params.setViewsToExport(exported, properties.views(), !separate_streams && exported.size() >= 2);
        params.setFootageKind(extension.toLower() == QLatin1String(".mov") ? Rirediro::ExportClipParams::Movie
                                                                           : Rirediro::ExportClipParams::ImageSequence);

        const bool noConversion = !(frameInfo && frameInfo->colorSpaceSettings().bConversionRequired());
        if (renderer.prepareToSaveClip(*project, params, noConversion, 3)) {
            if (!isEmbedded()) {
                frames.vClearOutMemoryExceptForFrame(project->currentFrame(), 0);
                frames.vSetCacheStrategyRecycle(true);
                frames.vSetCacheStrategy(0, false);
            }
            renderer.doSaveClip(*project, params, 3);
            renderer.m_firstFileName = params.fileNameForFrame(
                Prm::Context(Prm::Time::fromDouble(params.firstFileNumber()), Prm::View(Prm::View::defaultViewId()), 3));
        }
    }
    detector().check(!renderer.m_firstFileName.isEmpty(), s_source, 715,
                     QStringLiteral("! renderer.m_firstFileName.isEmpty()"), tr("Exporting failed"));
}

void Clip::relink(const QString& path, const QString& prefix, const QString& suffix, unsigned int start_frame,
                  unsigned int end_frame, const View& view)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const Prm::View clipView = view.getView();
    detector().check(clip->clipInfo().hasView(clipView), s_source, 309,
                     QStringLiteral("clipViews.end() != std::find( clipViews.begin(), clipViews.end(), clipView )"),
                     tr("Clip '%1' does not have the view '%2'").arg(clip->name(), view.__repr__()));
    const QFileInfo dirOrFileInfo(path);
    detector().check(dirOrFileInfo.isAbsolute(), s_source, 311, QStringLiteral("dirOrFileInfo.isAbsolute()"),
                     tr("Path to clip must be absolute"));

    const TQ_BaseClipInfo baseInfo = clip->baseClip().baseInfo();
    TQ_ClipInfo info = clip->clipInfo();
    const Prm::View target = atView(info, clipView);

    // A folder: the clip's own file names, looked for in it, for the view
    // being relinked.
    QString fileName = path;
    if (dirOrFileInfo.isDir()) {
        info.streamPath().setValue(path, target);
        fileName = info.firstFileName(clipView);
    }
    detector().check(QFileInfo(fileName).exists(), s_source, 323, QStringLiteral("QFileInfo( fileName ).exists()"),
                     tr("File '%1' not found").arg(fileName));

    TQ_BaseClipInfo footageBase;
    TQ_ClipInfo footage;
    if (!Dururev::getInfoFromMovieFile(fileName, footageBase, footage, true))
        Rirediro::throwException<VUVI_BadFile>(tr("Can't get info from file '%1'").arg(fileName));

    const Prm::View found = atView(footage, Prm::View());
    const unsigned int first = footage.minIndex();
    const unsigned int last = footage.maxIndex();
    if (start_frame == NoFrame)
        start_frame = first;
    if (end_frame == NoFrame)
        end_frame = last;
    if (start_frame < first)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("start_frame '%1' out of range (must be '%2' or higher)").arg(start_frame).arg(first));
    if (start_frame > last)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("start_frame '%1' out of range (must be '%2' or lower)").arg(start_frame).arg(last));
    if (end_frame > last)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("end_frame '%1' out of range (must be '%2' or lower)").arg(end_frame).arg(last));
    if (start_frame > end_frame)
        Rirediro::throwException<VUVI_OutOfRange>(
            tr("start_frame '%1' must be lower that or equal to end_frame '%2'").arg(start_frame).arg(end_frame));

    info.streamPath().setValue(footage.streamPath().value(found), target);
    info.prefix().setValue(prefix.isEmpty() ? footage.prefix().value(found) : fsString(prefix), target);
    info.suffix().setValue(suffix.isEmpty() ? footage.suffix().value(found) : fsString(suffix), target);
    info.firstIndex().setValue(start_frame, target);
    info.lastIndex().setValue(end_frame, target);
    info.indexWidth().setValue(footage.indexWidth().value(found), target);
    info.isSequence().setValue(footage.isSequence().value(Prm::View()), clipView);
    info.setLength(end_frame - start_frame + 1, clipView);
    clip->vReplaceInfoAndFootage(baseInfo, info);
}

void Clip::relink(const StreamInfo& stream_info, const View& view)
{
    relink(stream_info.get_path(), stream_info.get_prefix(), stream_info.get_suffix(), stream_info.get_start_frame(),
           stream_info.get_end_frame(), view);
}

// ---- image and parameters -------------------------------------------------------

ImageData Clip::image(unsigned int frame, View view, bool allocate)
{
    const boost::shared_ptr<VUVI_Clip> clip = internalClip();
    const boost::shared_ptr<VUVI_ProjectManager> project = PM();
    const Prm::Context context = ParameterPath::context(double(frame), view);
    const TQ::ClipID clipId = clip->clipID();
    Bsc::detail::GanImage_Ptr<Gan_Image> image =
        project->frameManager().spgiGetDerivedImage(clipId, context, allocate, false);
    if (!image)
        return ImageData();
    return ImageData(std::move(image), ImageLocation(project.get(), clipId, context));
}

Parameter Clip::parameter(const QStringList& name_components)
{
    return Parameter(clipParameterSet(), name_components);
}

ParameterSet Clip::parameter_set(const QStringList& name_components)
{
    return ParameterSet(clipParameterSet(), name_components);
}

ParameterSet Clip::base_parameter_set(const QStringList& name_components)
{
    const boost::shared_ptr<TQ::IBaseClip> baseClip = PyHandle<void>::fromWeakToShared(m_baseClip);
    return ParameterSet(boost::dynamic_pointer_cast<Prm::ParameterSet>(baseClip), name_components);
}

boost::shared_ptr<Prm::ParameterSet> Clip::clipParameterSet() const
{
    // The core clip's own weak reference to itself: a clip being destroyed
    // throws boost::bad_weak_ptr.
    const boost::shared_ptr<TQ::IClip> clip = internalClip()->shared_from_this();
    return boost::dynamic_pointer_cast<Prm::ParameterSet>(clip);
}
