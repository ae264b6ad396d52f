// Project properties and views: what each setter accepts, what it refuses
// (with which error and message, changing nothing) and which setters mark
// the project changed.

#include "ProjectTestSupport.h"

#include <Prm/Frame.h>
#include <Prm/Views.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/Project/ProjectProperties.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <typeindex>
#include <unistd.h>

using namespace projecttest;

namespace {

class Properties : public ::testing::Test
{
protected:
    Properties() : m_made(m_dir.path(), 1, 10) { project().set_output_dir(m_dir.path()); }

    Project& project() { return *m_made.project; }
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    QTemporaryDir m_dir;
    ProjectOfSequence m_made;
};

struct Refusal
{
    const char* what;
    std::function<void(Project&)> action;
    std::type_index error;
    QString message;
};

TEST_F(Properties, RefusalsNameTheirErrorAndChangeNothing)
{
    const QString missing = path(QStringLiteral("missing"));
    const QString plainFile = path(QStringLiteral("plain.txt"));
    QFile(plainFile).open(QIODevice::WriteOnly);
    const ViewInfo left(QStringLiteral("Left"), QStringLiteral("L"), {1.0f, 0.0f, 0.0f});
    const ViewInfo right(QStringLiteral("Right"), QStringLiteral("R"), {0.0f, 1.0f, 1.0f});
    const std::type_index range = typeid(VUVI_OutOfRange);
    const std::type_index assertion = typeid(VUVI_AssertionFailed);

    std::vector<Refusal> refusals = {
        {"in-point at the length", [](Project& p) { p.set_in_out_range({10, 10}); }, range,
         "In-point '10' must not be greater than project length '10'."},
        {"in-point after the out-point", [](Project& p) { p.set_in_out_range({5, 4}); }, range,
         "In-point '5' must not be greater than out-point '4'."},
        {"no frames", [](Project& p) { p.set_length(0); }, range,
         "length '0' out of range (must be between 1 and '2147483647')"},
        {"beyond the last frame number", [](Project& p) { p.set_length(Prm::Frame::MAX.value() + 1); }, range,
         "length '2147483648' out of range (must be between 1 and '2147483647')"},
        {"a missing output folder", [&](Project& p) { p.set_output_dir(missing, true); }, assertion,
         "Could not set output directory to '" + missing + "'"},
        {"a file as output folder", [&](Project& p) { p.set_output_dir(plainFile, true); }, assertion,
         "Could not set output directory to '" + plainFile + "'"},
        {"an unknown hero view", [](Project& p) { p.set_default_hero_view(View(3)); }, assertion,
         "No such view: 'View(3)'."},
        {"twice a name",
         [&](Project& p) { p.set_views({left, ViewInfo(QStringLiteral("Left"), QStringLiteral("X"), {})}); },
         assertion, "View names must be unique."},
        {"twice an abbreviation",
         [&](Project& p) { p.set_views({left, ViewInfo(QStringLiteral("Other"), QStringLiteral("L"), {})}); },
         assertion, "View abbreviations must be unique."},
        {"no views", [](Project& p) { p.set_views({}); }, typeid(VUVI_BadArgument),
         "A project must keep at least one view"},
        {"saving without a file", [](Project& p) { p.save(); }, assertion,
         "Cannot save project file without a path. Please use save_as()."},
    };
    // Root may write anything, so the file is read-only for others only.
    const QString readOnly = path(QStringLiteral("read-only.plinx"));
    if (geteuid() != 0) {
        QFile(readOnly).open(QIODevice::WriteOnly);
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner);
        refusals.push_back({"a read-only file", [&](Project& p) { p.save_as(readOnly); }, typeid(VUVI_BadFile),
                            "File '" + readOnly + "' is not writable"});
    }

    project().set_views({left, right});
    project().set_default_hero_view(View(1));
    for (const Refusal& refusal : refusals) {
        const QString before = describe(project());
        try {
            refusal.action(project());
            ADD_FAILURE() << refusal.what << ": no error";
        } catch (const VUVI_Exception& error) {
            EXPECT_EQ(std::type_index(typeid(error)), refusal.error) << refusal.what;
            EXPECT_EQ(QString::fromUtf8(error.what()), refusal.message) << refusal.what;
        }
        EXPECT_EQ(describe(project()), before) << refusal.what;
    }
}

TEST_F(Properties, EdgeValuesPass)
{
    project().set_in_out_range({9, 9});
    EXPECT_EQ(project().get_in_out_range(), qMakePair(9u, 9u));
    project().set_in_out_range({2, 500});
    EXPECT_EQ(project().get_playback_out_point(), 500u) << "out-points are not held to the length";
    project().set_length(Prm::Frame::MAX.value());
    EXPECT_EQ(project().get_length(), Prm::Frame::MAX.value());
    EXPECT_EQ(project().get_in_out_range(), qMakePair(2u, 500u)) << "the length leaves the range alone";

    project().set_views({ViewInfo(QStringLiteral("left"), QStringLiteral("l"), {}),
                         ViewInfo(QStringLiteral("Left"), QStringLiteral("L"), {})});
    EXPECT_EQ(project().get_views().size(), 2);
}

TEST_F(Properties, OnlyTheRangeSettersMarkTheProjectChanged)
{
    VUVI_ProjectManager& core = m_made.core();
    const std::vector<std::pair<const char*, std::function<void(Project&)>>> unmarked = {
        {"notes", [](Project& p) { p.set_notes(QStringLiteral("n")); }},
        {"frame rate", [](Project& p) { p.set_frame_rate(30.0f); }},
        {"output folder", [&](Project& p) { p.set_output_dir(m_dir.path()); }},
        {"first frame", [](Project& p) { p.set_first_frame_offset(7); }},
        {"length", [](Project& p) { p.set_length(20); }},
        {"hero view", [](Project& p) { p.set_default_hero_view(View(0)); }},
        {"views", [](Project& p) { p.set_views({ViewInfo(QStringLiteral("Main"), QStringLiteral("M"), {})}); }},
    };
    const std::vector<std::pair<const char*, std::function<void(Project&)>>> marked = {
        {"range", [](Project& p) { p.set_in_out_range({1, 2}); }},
        {"in-point", [](Project& p) { p.set_playback_in_point(3); }},
        {"out-point", [](Project& p) { p.set_playback_out_point(4); }},
    };
    for (const auto& set : unmarked) {
        core.vSetProjectHasChanged(false);
        set.second(project());
        EXPECT_FALSE(core.projectHasChanged()) << set.first;
    }
    for (const auto& set : marked) {
        core.vSetProjectHasChanged(false);
        set.second(project());
        EXPECT_TRUE(core.projectHasChanged()) << set.first;
    }
}

TEST_F(Properties, OutputFolders)
{
    // Without validation any folder is kept, missing or not.
    const QString missing = path(QStringLiteral("later"));
    project().set_output_dir(missing);
    EXPECT_EQ(project().get_output_dir(), QDir::toNativeSeparators(missing));

    // A relative folder is taken against the working directory, then and now.
    const QString saved = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    QDir().mkdir(QStringLiteral("renders"));
    project().set_output_dir(QStringLiteral("renders"), true);
    EXPECT_EQ(project().get_output_dir(), QDir::toNativeSeparators(path(QStringLiteral("renders"))));
    EXPECT_EQ(m_made.core().projectProperties().rawOutputDir(), QStringLiteral("renders"));
    QDir::setCurrent(saved);
}

TEST_F(Properties, ViewsKeepNamesAbbreviationsAndColoursByPosition)
{
    const QVector<ViewInfo> three = {
        ViewInfo(QStringLiteral("Left"), QStringLiteral("L"), {1.0f, 0.0f, 0.0f}),
        ViewInfo(QStringLiteral("Right"), QStringLiteral("R"), {0.0f, 1.0f, 1.0f}),
        ViewInfo(QStringLiteral("Centre"), QStringLiteral("C"), {0.5f, 0.5f, 0.5f}),
    };
    project().set_views(three);
    EXPECT_EQ(project().get_views(), three);
    const std::vector<Prm::View> ids = m_made.core().projectProperties().views()->viewList();
    EXPECT_EQ(ids, (std::vector<Prm::View>{Prm::View(0), Prm::View(1), Prm::View(2)}));

    // Dropping from the end: the first view takes over a dropped hero view.
    project().set_default_hero_view(View(2));
    project().set_views({three[1]});
    EXPECT_EQ(project().get_views(), QVector<ViewInfo>{three[1]});
    EXPECT_EQ(project().get_default_hero_view().get_id(), 0u);

    // Added again: the next free id, and the colour it is given, not the
    // colour of the view dropped before.
    project().set_views({three[0], ViewInfo(QStringLiteral("New"), QStringLiteral("N"), {0.25f, 0.0f, 1.0f})});
    EXPECT_EQ(m_made.core().projectProperties().views()->viewList().back(), Prm::View(1));
    EXPECT_EQ(project().get_views().back().get_color(), Bsc::Colour3<float>(0.25f, 0.0f, 1.0f));
}

TEST_F(Properties, AViewNamedWithoutAbbreviationHasAnEmptyOne)
{
    m_made.core().projectProperties().setViewNames({QStringList{QStringLiteral("Solo")}});
    ASSERT_EQ(project().get_views().size(), 1);
    EXPECT_EQ(project().get_views().front().get_name(), QStringLiteral("Solo"));
    EXPECT_EQ(project().get_views().front().get_abbr(), QString());
}

} // namespace
