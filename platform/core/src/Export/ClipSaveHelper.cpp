#include "Rirediro/Export/ClipSaveHelper.h"

#include "../Clips/ClipFrames.h"
#include "FramePixels.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/FileSystem/FileSystem.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Bsc/Logger.h>
#include <Dururev/FrameImage.h>
#include <Dururev/MovieWriter.h>
#include <Dururev/ImageKit.h>
#include <TQ/Callbacks.h>
#include <TQ/ClipInfo.h>

#include <QCoreApplication>
#include <QColor>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cmath>
#include <cstring>

namespace Rirediro {

namespace {

struct Journal
{
    QMutex mutex;
    QVector<ClipSaveHelper::JournalEntry> entries;
};

Journal& journalStore()
{
    static Journal journal;
    return journal;
}

void addEntry(const QString& operation, const ExportClipParams& params, const QVector<bool>& flags,
              int proxyScale = 0, bool result = false)
{
    Bsc::Logger::writeToLog(QStringLiteral("call Rirediro::ClipSaveHelper::") + operation, Bsc::Logger::Debug);
    Journal& journal = journalStore();
    QMutexLocker lock(&journal.mutex);
    journal.entries.append({operation, params, flags, proxyScale, result});
}

QString translate(const char* text)
{
    return QCoreApplication::translate("ClipSaveHelper", text);
}

[[noreturn]] void fail(const QString& message)
{
    Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, message, message);
}

// Reports started on construction and finished on destruction, so that a
// failed save finishes its progress too.
class ProgressReport
{
public:
    explicit ProgressReport(TQ::Callbacks* callbacks) : m_callbacks(callbacks)
    {
        if (m_callbacks && m_callbacks->progressStarted)
            m_callbacks->progressStarted();
    }
    ~ProgressReport()
    {
        if (m_callbacks && m_callbacks->progressFinished)
            m_callbacks->progressFinished();
    }
    void message(const QString& text)
    {
        if (m_callbacks && m_callbacks->progressMessage)
            m_callbacks->progressMessage(text.toUtf8().constData());
    }
    void status(unsigned int percent)
    {
        if (m_callbacks && m_callbacks->progressStatus)
            m_callbacks->progressStatus(percent);
    }

private:
    TQ::Callbacks* m_callbacks;
};

// Reads frame f of a clip's stream for a view. Field-interlaced footage is
// saved as it is stored: the whole picture of the file that holds the field.
bool readSourceFrame(const VUVI_Clip& clip, const Prm::View& view, unsigned int f, Dururev::FrameImage& image,
                     bool eightBitRgb)
{
    const ClipFrameSource source = clipFrameSource(clip, view, f);
    return Dururev::readFrame(source.file, source.frameInFile, image, eightBitRgb);
}

// Format flags of setupChannelsAndFormat, by position.
enum FormatFlag { MattesFlag = 0, ColourFlag, FloatFlag, ByLayerFlag, ByMatteColourFlag };

bool formatFlag(const ExportClipParams& params, FormatFlag flag)
{
    return params.formatFlags().size() > flag && params.formatFlags().at(flag);
}

bool writesMattes(const ExportClipParams& params)
{
    return formatFlag(params, MattesFlag);
}

// The colour of the i-th layer of a matte coloured by layer: red first, then
// hues the golden angle apart, so that neighbours differ clearly.
ImageKit::Colour layerColour(int i)
{
    const double hue = std::fmod(i * 0.381966, 1.0);
    return colourOf(QColor::fromHsvF(hue, 1.0, 1.0));
}

// The matte of the layers to export at project frame f in a view: each
// layer's contours carried by its track, on black.
Dururev::FrameImage renderMatte(const ExportClipParams& params, const VUVI_Clip& clip, const Prm::View& view,
                                unsigned int f, bool rgb)
{
    const Prm::Context context(Prm::Time::fromDouble(f), view, 3);
    const bool byLayer = formatFlag(params, ByLayerFlag);
    const bool byMatteColour = formatFlag(params, ByMatteColourFlag);
    const QVector<boost::shared_ptr<VUVI_Layer>> exported = params.layersToExport();
    std::vector<ImageKit::Kernels::MatteLayer> layers;
    for (int i = 0; i < exported.size(); ++i) {
        const VUVI_Layer& layer = *exported.at(i);
        ImageKit::Kernels::MatteLayer matte{shapeOf(layer, context), layer.transformationMatrix(context),
                                            ImageKit::Colour{1.0, 1.0, 1.0}};
        if (byLayer)
            matte.colour = layerColour(i);
        else if (byMatteColour)
            matte.colour = colourOf(layer.matteColor());
        layers.push_back(std::move(matte));
    }
    const TQ_BaseClipInfo& info = clip.baseClip().baseInfo();
    const bool colour = rgb || byLayer || byMatteColour;
    return Dururev::kernels().renderMatte(int(info.frameWidth()), int(info.frameHeight()), colour ? 3 : 1, layers);
}

// The views of each stream written: with joint views one stream holds
// them all, else each view has a stream of its own.
QVector<QVector<Prm::View>> streamsOf(const ExportClipParams& params)
{
    if (params.jointViews() && !params.viewsToExport().isEmpty())
        return {params.viewsToExport()};
    QVector<QVector<Prm::View>> streams;
    for (const Prm::View& view : params.viewsToExport())
        streams.append({view});
    return streams;
}

// The frames side by side, left to right; false when they differ in layout.
bool sideBySide(const std::vector<Dururev::FrameImage>& frames, Dururev::FrameImage& joint)
{
    const Dururev::FrameImage& first = frames.front();
    const std::size_t row = std::size_t(first.width) * std::size_t(first.channels) * first.bytesPerChannel();
    const std::size_t height = std::size_t(first.height);
    for (const Dururev::FrameImage& frame : frames) {
        if (frame.width != first.width || frame.height != first.height || frame.channels != first.channels
            || frame.channelType != first.channelType || frame.pixels.size() != row * height)
            return false;
    }
    joint = first;
    joint.width = first.width * int(frames.size());
    joint.pixels.resize(row * height * frames.size());
    for (std::size_t y = 0; y < height; ++y) {
        for (std::size_t i = 0; i < frames.size(); ++i)
            std::memcpy(joint.pixels.data() + (y * frames.size() + i) * row, frames[i].pixels.data() + y * row, row);
    }
    return true;
}

// Frame f of a stream: the source's frame, or the matte of the layers to
// export, of each of its views side by side.
Dururev::FrameImage streamFrame(const ExportClipParams& params, const VUVI_Clip& clip,
                                const QVector<Prm::View>& stream, unsigned int f, bool movie)
{
    std::vector<Dururev::FrameImage> frames(std::size_t(stream.size()));
    for (int i = 0; i < stream.size(); ++i) {
        if (writesMattes(params))
            frames[std::size_t(i)] = renderMatte(params, clip, stream[i], f, movie);
        else if (!readSourceFrame(clip, stream[i], f, frames[std::size_t(i)], movie))
            fail(translate("Cannot read frame %1 of clip '%2'").arg(f).arg(clip.name()));
    }
    if (frames.size() == 1)
        return std::move(frames.front());
    Dururev::FrameImage joint;
    if (!sideBySide(frames, joint))
        fail(translate("The views of frame %1 of clip '%2' differ in size").arg(f).arg(clip.name()));
    return joint;
}

} // namespace

ClipSaveHelper::ClipSaveHelper() = default;
ClipSaveHelper::~ClipSaveHelper() = default;

void ClipSaveHelper::setupChannelsAndFormat(ExportClipParams& params, const TQ_ClipInfo&, bool mattes, bool colour,
                                            bool floatPixels, bool byLayer, bool byMatteColour)
{
    params.setChannels(colour || byLayer || byMatteColour ? 3 : 1);
    params.setFormatFlags({mattes, colour, floatPixels, byLayer, byMatteColour});
    addEntry(QStringLiteral("setupChannelsAndFormat"), params, {mattes, colour, floatPixels, byLayer, byMatteColour});
}

void ClipSaveHelper::populateClipIndices(ExportClipParams& params, VUVI_ProjectManager&, unsigned int first,
                                         unsigned int last, bool pulldown)
{
    params.setClipIndices(first, last, pulldown);
    addEntry(QStringLiteral("populateClipIndices"), params, {pulldown});
}

bool ClipSaveHelper::prepareToSaveClip(VUVI_ProjectManager& project, ExportClipParams& params, bool noConversion,
                                       int proxyScale)
{
    const bool ready = params.step() > 0 && QFileInfo(params.clipPath()).isDir()
                       && project.frameManager().findClip(params.sourceClipID()) != nullptr
                       && !params.viewsToExport().isEmpty()
                       && params.firstProjectFrame() <= params.lastProjectFrame();
    addEntry(QStringLiteral("prepareToSaveClip"), params, {noConversion}, proxyScale, ready);
    return ready;
}

void ClipSaveHelper::doSaveClip(VUVI_ProjectManager& project, ExportClipParams& params, int proxyScale)
{
    addEntry(QStringLiteral("doSaveClip"), params, {}, proxyScale);
    const VUVI_Clip* clip = project.frameManager().findClip(params.sourceClipID());
    if (!clip || params.step() == 0)
        fail(translate("Nothing to save"));

    const int offset = project.projectProperties().firstFrameOffset();
    const unsigned int first = unsigned(std::max<qint64>(0, qint64(params.firstProjectFrame()) - offset));
    const unsigned int last = unsigned(std::max<qint64>(0, qint64(params.lastProjectFrame()) - offset));
    const bool movie = params.footageKind() == ExportClipParams::Movie;
    const unsigned int perStream = (last - first) / params.step() + 1;
    const QVector<QVector<Prm::View>> streams = streamsOf(params);
    const unsigned int total = perStream * unsigned(streams.size());

    ProgressReport progress(project.callbacks());
    progress.message(writesMattes(params) ? translate("Saving the mattes of clip '%1'").arg(clip->name())
                                          : translate("Saving clip '%1'").arg(clip->name()));
    unsigned int done = 0;
    for (const QVector<Prm::View>& stream : streams) {
        const Prm::View& view = stream.front(); // names the stream's files
        const QString movieFile =
            params.fileNameForFrame(Prm::Context(Prm::Time::fromDouble(params.firstFileNumber()), view, 3));
        Dururev::MovieWriter writer;
        QString fileError;
        for (unsigned int f = first; f <= last; f += params.step()) {
            const unsigned int number = params.firstFileNumber() + (f - first);
            const Dururev::FrameImage image = streamFrame(params, *clip, stream, f, movie);
            const QString file = params.fileNameForFrame(Prm::Context(Prm::Time::fromDouble(number), view, 3));
            if (movie) {
                if (!writer.isOpen()
                    && !writer.open(movieFile, image.width, image.height, clip->baseClip().baseInfo().frameRate(),
                                    &fileError))
                    FileSystem::failedWrite(movieFile, fileError);
                if (!writer.write(image))
                    fail(translate("Cannot write frame %1 to '%2'").arg(f).arg(movieFile));
            } else if (!Dururev::writeImage(file, image, &fileError)) {
                FileSystem::failedWrite(file, fileError);
            }
            progress.status(++done * 100 / total);
            if (last - f < params.step())
                break; // the next step would pass the last frame (or wrap around)
        }
        if (movie && !writer.close(&fileError))
            FileSystem::failedWrite(movieFile, fileError);
    }
}

QVector<ClipSaveHelper::JournalEntry> ClipSaveHelper::journal()
{
    Journal& journal = journalStore();
    QMutexLocker lock(&journal.mutex);
    return journal.entries;
}

void ClipSaveHelper::clearJournal()
{
    Journal& journal = journalStore();
    QMutexLocker lock(&journal.mutex);
    journal.entries.clear();
}

} // namespace Rirediro
