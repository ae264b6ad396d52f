#include "Rirediro/Export/ClipSaveHelper.h"

#include "../Clips/ClipFrames.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

#include <Rirediro/ErrorHandling/VUVI_Error.h>

#include <Bsc/Logger.h>
#include <Dururev/FrameImage.h>
#include <Dururev/MovieWriter.h>
#include <TQ/Callbacks.h>
#include <TQ/ClipInfo.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

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

} // namespace

ClipSaveHelper::ClipSaveHelper() = default;
ClipSaveHelper::~ClipSaveHelper() = default;

void ClipSaveHelper::setupChannelsAndFormat(ExportClipParams& params, const TQ_ClipInfo&, bool alpha, bool colour,
                                            bool floatPixels, bool proxy, bool premultiply)
{
    params.setChannels(colour ? 3 : 1);
    params.setFormatFlags({alpha, colour, floatPixels, proxy, premultiply});
    addEntry(QStringLiteral("setupChannelsAndFormat"), params, {alpha, colour, floatPixels, proxy, premultiply});
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
    const unsigned int perView = (last - first) / params.step() + 1;
    const unsigned int total = perView * unsigned(params.viewsToExport().size());

    ProgressReport progress(project.callbacks());
    progress.message(translate("Saving clip '%1'").arg(clip->name()));
    unsigned int done = 0;
    for (const Prm::View& view : params.viewsToExport()) {
        Dururev::MovieWriter writer;
        for (unsigned int f = first; f <= last; f += params.step()) {
            const unsigned int number = params.firstFileNumber() + (f - first);
            Dururev::FrameImage image;
            if (!readSourceFrame(*clip, view, f, image, movie))
                fail(translate("Cannot read frame %1 of clip '%2'").arg(f).arg(clip->name()));
            const QString file = params.fileNameForFrame(Prm::Context(Prm::Time::fromDouble(number), view, 3));
            if (movie) {
                const QString movieFile = params.fileNameForFrame(
                    Prm::Context(Prm::Time::fromDouble(params.firstFileNumber()), view, 3));
                if (!writer.isOpen()
                    && !writer.open(movieFile, image.width, image.height, clip->baseClip().baseInfo().frameRate()))
                    fail(translate("Cannot write '%1'").arg(movieFile));
                if (!writer.write(image))
                    fail(translate("Cannot write frame %1 to '%2'").arg(f).arg(movieFile));
            } else if (!Dururev::writeImage(file, image)) {
                fail(translate("Cannot write '%1'").arg(file));
            }
            progress.status(++done * 100 / total);
            if (last - f < params.step())
                break; // the next step would pass the last frame (or wrap around)
        }
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
