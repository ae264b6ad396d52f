// Clip export, checked against the clip saver's journal and the files it
// writes, and relinking a clip to other footage.

#include "ClipTestSupport.h"

#include "Project/wrappers/ProgressWatcher.h"
#include "Python/Bootstrap.h"

#include <Dururev/Dururev.h>
#include <Dururev/FootageDescription.h>
#include <Prm/Views.h>
#include <Rirediro/Export/ClipSaveHelper.h>
#include <Rirediro/Project/ProjectProperties.h>

#include <QFile>
#include <QSignalSpy>

using cliptest::expectFailure;
using Rirediro::ClipSaveHelper;

namespace {

// The parameters of the last journal entry of an operation.
ClipSaveHelper::JournalEntry lastEntry(const QString& operation)
{
    const QVector<ClipSaveHelper::JournalEntry> journal = ClipSaveHelper::journal();
    for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
        if (it->operation == operation)
            return *it;
    }
    ADD_FAILURE() << "no " << operation.toStdString() << " in the journal";
    return {};
}

class Export : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pyBootstrap();
        ClipSaveHelper::clearJournal();
    }

    QString out(const QString& name = QString()) const
    {
        return QDir(m_dir.path()).filePath(QStringLiteral("out/") + name);
    }
    // Exports with everything but the named arguments at their defaults.
    void exportFrames(unsigned int start, unsigned int finish, unsigned int width = 1, unsigned int step = 1,
                      const QString& extension = QStringLiteral(".png"), const QVector<View>& views = {},
                      bool separate = false, unsigned int offset = 0)
    {
        m_made.clip().exportClip(nullptr, out(), extension, QStringLiteral("e"), QStringLiteral("_x"), start, finish,
                                 width, views, separate, offset, step);
    }
    // Runs an export whose preparation is refused (step 0), for its journal.
    void exportRefused(const std::function<void()>& call)
    {
        expectFailure<VUVI_AssertionFailed>(call, QStringLiteral("Exporting failed"));
    }

    QTemporaryDir m_dir;
    cliptest::ProjectOfSequence m_made{QDir(m_dir.path()).filePath("in"), 1, 12};
};

TEST_F(Export, WritesTheFramesAsRead)
{
    exportFrames(2, 7, 4, 2);
    // Frames 2, 4, 6 of the clip (files 3, 5, 7 of the footage) become files 2, 4, 6.
    for (unsigned int f : {2u, 4u, 6u})
        EXPECT_EQ(footage::redAt(out(QStringLiteral("e%1_x.png").arg(f, 4, 10, QLatin1Char('0')))),
                  footage::redOf(f + 1));
    EXPECT_EQ(QDir(out()).entryList(QDir::Files).size(), 3);

    const ClipSaveHelper::JournalEntry saved = lastEntry(QStringLiteral("doSaveClip"));
    EXPECT_EQ(saved.params.firstFileNumber(), 2u);
    EXPECT_EQ(saved.params.firstProjectFrame(), 3u); // the project numbers frames from 1
    EXPECT_EQ(saved.params.lastProjectFrame(), 8u);
    EXPECT_EQ(saved.params.sourceClipID(), m_made.clip().get_id());
    EXPECT_EQ(saved.proxyScale, 3);
    EXPECT_EQ(lastEntry(QStringLiteral("prepareToSaveClip")).flags, QVector<bool>{true}); // no conversion needed
}

TEST_F(Export, OffsetNumbersTheFiles)
{
    exportFrames(0, 1, 1, 1, QStringLiteral(".tif"), {}, false, 100);
    EXPECT_EQ(footage::redAt(out(QStringLiteral("e100_x.tif"))), footage::redOf(1));
    EXPECT_EQ(footage::redAt(out(QStringLiteral("e101_x.tif"))), footage::redOf(2));
}

TEST_F(Export, IndexWidthCoversTheLastIndex)
{
    cliptest::ProjectOfSequence longer(QDir(m_dir.path()).filePath("long"), 0, 101);
    const struct
    {
        unsigned int finish, width, expected;
    } cases[] = {{9, 1, 1}, {10, 1, 2}, {99, 1, 2}, {100, 1, 3}, {9, 4, 4}};
    for (const auto& c : cases) {
        longer.clip().exportClip(nullptr, out(), QStringLiteral(".png"), QStringLiteral("w"), QString(), c.finish,
                                 c.finish, c.width, {}, false, 0, 1);
        EXPECT_EQ(lastEntry(QStringLiteral("prepareToSaveClip")).params.clipIndexWidth(), c.expected) << c.finish;
        const QString file = out(QStringLiteral("w%1.png").arg(c.finish, int(c.expected), 10, QLatin1Char('0')));
        EXPECT_EQ(footage::redAt(file), footage::redOf(c.finish)) << file.toStdString();
    }
}

TEST_F(Export, MovOfAnyCaseIsAMovie)
{
    const struct
    {
        QString extension;
        int kind;
    } cases[] = {{".mov", 1}, {".MOV", 1}, {"mov", 0}, {".png", 0}};
    for (const auto& c : cases) {
        exportRefused([&] { exportFrames(0, 3, 1, 0, c.extension); });
        EXPECT_EQ(int(lastEntry(QStringLiteral("prepareToSaveClip")).params.footageKind()), c.kind)
            << c.extension.toStdString();
    }

    exportFrames(0, 4, 1, 1, QStringLiteral(".MOV"));
    const QString movie = out(QStringLiteral("e0_x.MOV"));
    Dururev::FootageDescription written;
    ASSERT_TRUE(Dururev::describeFootage(movie, written));
    EXPECT_TRUE(written.isMovie);
    EXPECT_EQ(written.frameCount(), 5u);
    EXPECT_EQ(written.width, unsigned(footage::Width));
    EXPECT_NEAR(footage::redAt(movie, 3), footage::redOf(4), 12);
}

TEST_F(Export, ViewsAndTheJointFlag)
{
    m_made.core().projectProperties().views()->addView(QStringLiteral("Right"), QStringLiteral("R"));
    const struct
    {
        QVector<View> views;
        bool separate;
        QVector<Prm::View> exported;
        bool joint;
    } cases[] = {
        {{}, false, {Prm::View(0)}, false},  // the view of the current frame
        {{View(0), View(1)}, false, {Prm::View(0), Prm::View(1)}, true},
        {{View(0), View(1)}, true, {Prm::View(0), Prm::View(1)}, false},
        {{View(1)}, false, {Prm::View(1)}, false},
    };
    for (const auto& c : cases) {
        exportRefused([&] { exportFrames(0, 0, 1, 0, QStringLiteral(".png"), c.views, c.separate); });
        const Rirediro::ExportClipParams params = lastEntry(QStringLiteral("prepareToSaveClip")).params;
        EXPECT_EQ(params.viewsToExport(), c.exported);
        EXPECT_EQ(params.jointViews(), c.joint);
    }

    // Two views written: each view's files carry its abbreviation.
    exportFrames(0, 0, 1, 1, QStringLiteral(".png"), {View(0), View(1)}, true);
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("e0_x_M.png"))));
    EXPECT_TRUE(QFile::exists(out(QStringLiteral("e0_x_R.png"))));
}

TEST_F(Export, JointViewsShareEachFileSideBySideSeparateViewsHaveStreamsOfTheirOwn)
{
    m_made.core().projectProperties().views()->addView(QStringLiteral("Right"), QStringLiteral("R"));
    const QString right = QDir(m_dir.path()).filePath(QStringLiteral("right"));
    m_made.clip().add_stream(footage::writeSequence(right, QStringLiteral("r_"), 20, 12), View(1), 20, 31, true);
    // The red of a file's pixel in row 0.
    const auto redAt = [](const QString& file, int x) {
        Dururev::FrameImage image;
        if (!Dururev::readFrame(file, 0, image, true) || x >= image.width)
            return -1;
        return int(image.pixels[std::size_t(x) * 3]);
    };
    const struct
    {
        bool separate;
        QString file;
        std::vector<int> reds; // at x = 0 and x = the footage's width
    } cases[] = {
        {false, "joint/e0_x.png", {footage::redOf(1), footage::redOf(20)}},
        {true, "separate/e0_x_M.png", {footage::redOf(1), -1}},
        {true, "separate/e0_x_R.png", {footage::redOf(20), -1}},
    };
    for (const auto& c : cases) {
        const QString folder = out(c.file.section('/', 0, 0));
        m_made.clip().exportClip(nullptr, folder, QStringLiteral(".png"), QStringLiteral("e"), QStringLiteral("_x"), 0,
                                 0, 1, {View(0), View(1)}, c.separate, 0, 1);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), c.separate ? 2 : 1);
        EXPECT_EQ(std::vector<int>({redAt(out(c.file), 0), redAt(out(c.file), footage::Width)}), c.reds)
            << c.file.toStdString();
    }

    // Side by side, the views must agree in size.
    QDir(right).removeRecursively();
    QDir().mkpath(right);
    for (unsigned int i = 20; i < 32; ++i)
        Dururev::writeImage(QDir(right).filePath(footage::numberedName("r_", i, 4, ".png")),
                            footage::frame(i, footage::Width + 2));
    expectFailure<VUVI_OperationFailed>([&] { exportFrames(0, 0, 1, 1, QStringLiteral(".png"), {View(0), View(1)}); },
                                        "The views of frame 0 of clip 'Plate' differ in size");
}

TEST_F(Export, PulldownOnlyForPulldownFootageReadWithoutIt)
{
    for (int mode = 0; mode <= 13; ++mode) {
        for (int removal : {0, 1}) {
            TQ_BaseClipInfo base = m_made.clip().internalClip()->baseClip().baseInfo();
            base.setInterlaceMode(static_cast<TQ_INTERLACE_MODE>(mode));
            m_made.clip().internalClip()->baseClip().setBaseClipInfoInternal(base);
            m_made.editClipInfo([&](TQ_ClipInfo& info) { info.setPulldownRemoval(removal); });
            exportRefused([&] { exportFrames(0, 1, 1, 0); });
            EXPECT_EQ(lastEntry(QStringLiteral("populateClipIndices")).params.pulldown(),
                      removal == 1 && mode >= 3 && mode <= 12)
                << "mode " << mode << " removal " << removal;
        }
    }
}

TEST_F(Export, AFrameThatCannotBeWrittenFailsTheExport)
{
    // "mov" without its dot names no image format.
    expectFailure<VUVI_OperationFailed>([&] { exportFrames(0, 1, 1, 1, QStringLiteral("mov")); },
                                        QStringLiteral("Cannot write '%1'").arg(out(QStringLiteral("e0_xmov"))));
    EXPECT_EQ(lastEntry(QStringLiteral("doSaveClip")).params.footageKind(), Rirediro::ExportClipParams::ImageSequence);
}

TEST_F(Export, RangeFailuresComeBeforeAnythingIsPrepared)
{
    const struct
    {
        unsigned int start, finish;
        QString message;
    } cases[] = {
        {12, 12, "index_start '12' out of range (must be between 0 and '11')"},
        {5, 4, "index_finish '4' out of range (must be between '5' and '11')"},
        {5, 12, "index_finish '12' out of range (must be between '5' and '11')"},
    };
    for (const auto& c : cases)
        expectFailure<VUVI_OutOfRange>([&] { exportFrames(c.start, c.finish); }, c.message);
    EXPECT_TRUE(ClipSaveHelper::journal().isEmpty());

    m_made.core().projectProperties().setLength(0);
    expectFailure<VUVI_OutOfRange>([&] { exportFrames(5, 4); },
                                   QStringLiteral("length '0' out of range (must be between 1 and '2147483647')"));
    EXPECT_TRUE(QFileInfo(out()).isDir()); // the folder is made first
    EXPECT_TRUE(ClipSaveHelper::journal().isEmpty());
}

TEST_F(Export, RefusedPreparationWritesNothing)
{
    exportRefused([&] { exportFrames(0, 3, 1, 0); });
    EXPECT_FALSE(lastEntry(QStringLiteral("prepareToSaveClip")).result);
    EXPECT_TRUE(QDir(out()).entryList(QDir::Files).isEmpty());
    const QVector<ClipSaveHelper::JournalEntry> journal = ClipSaveHelper::journal();
    EXPECT_TRUE(std::none_of(journal.begin(), journal.end(),
                             [](const auto& entry) { return entry.operation == QLatin1String("doSaveClip"); }));
}

TEST_F(Export, ProgressReachesTheClipsWatcherDuringTheExportOnly)
{
    ProgressWatcher* watcher = m_made.clip().get_progress_watcher();
    QSignalSpy started(watcher, &ProgressWatcher::started);
    QSignalSpy finished(watcher, &ProgressWatcher::finished);
    QSignalSpy status(watcher, &ProgressWatcher::progress_status);
    exportFrames(0, 3);
    EXPECT_EQ(started.count(), 1);
    EXPECT_EQ(finished.count(), 1);
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last().at(0).toUInt(), 100u);

    Dururev::reportProgressStarted(); // outside an export: not relayed
    EXPECT_EQ(started.count(), 1);
}

TEST_F(Export, UnwritableFolderIsAClearError)
{
    QFile blocker(out().chopped(1));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    expectFailure<VUVI_BadFile>([&] { exportFrames(0, 0); },
                                QStringLiteral("Cannot create the output folder '%1'").arg(out()));
}

// ---- relink ------------------------------------------------------------------------------

class Relink : public Export
{
protected:
    QString folder(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
};

TEST_F(Relink, DefaultsTakeEverythingFromTheFootage)
{
    // In a folder the clip's own first file is looked for; the range is the footage's.
    footage::writeSequence(folder("moved"), QStringLiteral("f"), 1, 8);
    m_made.clip().relink(folder("moved"), QString(), QString(), StreamInfo::NoFrame, StreamInfo::NoFrame, View());
    EXPECT_EQ(m_made.clip().get_info(View()).__repr__(),
              StreamInfo(QFileInfo(folder("moved")).absoluteFilePath(), "f", ".png", 1, 8, 4).__repr__());
    EXPECT_EQ(m_made.clip().internalClip()->clipInfo().length().value(Prm::View()), 8u);

    const QString other = footage::writeSequence(folder("other"), QStringLiteral("o_"), 1, 4, 3, ".tif");
    m_made.clip().relink(StreamInfo(other, QStringLiteral("p_"), QString(), 2, 3), View());
    EXPECT_EQ(m_made.clip().get_info(View()).__repr__(),
              StreamInfo(QFileInfo(folder("other")).absoluteFilePath(), "p_", ".tif", 2, 3, 3).__repr__());
}

TEST_F(Relink, FailuresChangeNothing)
{
    const QString other = footage::writeSequence(folder("other"), QStringLiteral("o_"), 1, 4);
    QFile text(folder("notes.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no image");
    text.close();
    const QString before = cliptest::streamsOf(m_made.clip());
    auto relink = [&](const QString& path, unsigned int start, unsigned int end, View view = View()) {
        return [=] { m_made.clip().relink(path, QString(), QString(), start, end, view); };
    };
    const unsigned int all = StreamInfo::NoFrame;
    expectFailure<VUVI_AssertionFailed>(relink(other, all, all, View(1)),
                                        "Clip 'Plate' does not have the view 'View(1)'");
    expectFailure<VUVI_AssertionFailed>(relink("relative/o_0001.png", all, all), "Path to clip must be absolute");
    expectFailure<VUVI_AssertionFailed>(relink(folder("gone.png"), all, all),
                                        QString("File '%1' not found").arg(folder("gone.png")));
    expectFailure<VUVI_BadFile>(relink(folder("notes.png"), all, all),
                                QString("Can't get info from file '%1'").arg(folder("notes.png")));
    expectFailure<VUVI_OutOfRange>(relink(other, 0, all), "start_frame '0' out of range (must be '1' or higher)");
    expectFailure<VUVI_OutOfRange>(relink(other, 5, all), "start_frame '5' out of range (must be '4' or lower)");
    expectFailure<VUVI_OutOfRange>(relink(other, 1, 5), "end_frame '5' out of range (must be '4' or lower)");
    expectFailure<VUVI_OutOfRange>(relink(other, 3, 2), "start_frame '3' must be lower that or equal to end_frame '2'");
    EXPECT_EQ(cliptest::streamsOf(m_made.clip()), before);
}

TEST_F(Relink, AFolderForAnotherViewIsSearchedWithThatViewsNames)
{
    m_made.core().projectProperties().views()->addView(QStringLiteral("Right"), QStringLiteral("R"));
    m_made.clip().add_stream(footage::writeSequence(folder("right"), QStringLiteral("r_"), 5, 3), View(1), 5, 7, true);
    footage::writeSequence(folder("right2"), QStringLiteral("r_"), 5, 4);
    const StreamInfo left = m_made.clip().get_info(View(0));

    m_made.clip().relink(folder("right2"), QString(), QString(), StreamInfo::NoFrame, StreamInfo::NoFrame, View(1));
    EXPECT_EQ(m_made.clip().get_info(View(1)).__repr__(),
              StreamInfo(QFileInfo(folder("right2")).absoluteFilePath(), "r_", ".png", 5, 8, 4).__repr__());
    EXPECT_EQ(m_made.clip().get_info(View(0)).__repr__(), left.__repr__());
}

} // namespace
