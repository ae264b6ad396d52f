// Saving and opening projects: what a saved project keeps, files that are
// refused, and saves that fail without harming the previous file.

#include "ProjectTestSupport.h"
#include "../support/Files.h"

#include "Project/wrappers/ColorParameters.h"

#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ParameterManager.h>
#include <TQ/CameraParameterSet.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

using namespace projecttest;

namespace {

using testsupport::contentsOf;
using testsupport::writeFile;

// A clip as far as a project file keeps it.
QString describeClip(const Clip& clip)
{
    const ColorParameters& colour = *const_cast<Clip&>(clip).get_color_parameters();
    QStringList mapping;
    const QMap<View, View> views = clip.get_view_mapping();
    for (auto it = views.constBegin(); it != views.constEnd(); ++it)
        mapping << it.key().__repr__() + QStringLiteral("->") + it.value().__repr__();
    const QPair<unsigned int, unsigned int> size = clip.get_frame_size();
    return QStringList{QString::number(clip.get_id()),
                       clip.get_name(),
                       QStringLiteral("%1x%2").arg(size.first).arg(size.second),
                       QString::number(double(clip.get_frame_rate())),
                       QString::number(clip.get_first_frame_offset()),
                       QStringLiteral("colour %1 %2 %3 %4")
                           .arg(colour.get_colorspace())
                           .arg(colour.get_conversion())
                           .arg(double(colour.get_gamma()))
                           .arg(double(colour.get_softclip())),
                       cliptest::streamsOf(clip),
                       mapping.join(QLatin1Char(','))}
        .join(QLatin1Char('|'));
}

// The clips of a project in project order, each described.
QStringList describeClips(Project& project)
{
    QStringList clips;
    for (const VUVI_Clip* clip : project.projectManager()->frameManager().clips()) {
        Clip wrapper(const_cast<VUVI_Clip*>(clip), project.projectManager(), nullptr);
        clips << describeClip(wrapper);
    }
    return clips;
}

const TQ_CameraParameterSet& cameraOf(const Clip& clip)
{
    return clip.internalClip()->baseClip().cameraParameters();
}

class ProjectFile : public ::testing::Test
{
protected:
    ProjectFile() : m_made(m_dir.path(), 1, 6, UpperFieldFirst), m_file(path(QStringLiteral("shot.plinx"))) {}

    Project& project() { return *m_made.project; }
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }

    // A project that uses what the file keeps: properties, two views, a
    // second clip with a stream per view, colour and camera settings.
    void furnish()
    {
        Project& p = project();
        p.set_notes(QStringLiteral("Shot 12, take 3:\n\"night\" %1 ümlaut \t end"));
        p.set_frame_rate(29.97f);
        p.set_output_dir(QStringLiteral("renders"));
        p.set_first_frame_offset(-5);
        p.set_length(40);
        p.set_in_out_range({3, 70});
        p.set_views({ViewInfo(QStringLiteral("Left"), QStringLiteral("L"), {1.0f, 0.0f, 0.0f}),
                     ViewInfo(QStringLiteral("Right"), QStringLiteral("R"), {0.0f, 0.5f, 1.0f / 3.0f})});
        p.set_default_hero_view(View(1));

        const QString other = footage::writeSequence(path(QStringLiteral("other")), QStringLiteral("o"), 7, 3);
        Clip source(other, QStringLiteral("Source"), true, 0, 0, 0, nullptr);
        Clip* second = p.add_clip(&source, QStringLiteral("Second plate"));
        second->add_stream(other, View(1), 7, 8);
        second->assign_project_view(View(0), View(1));
        second->get_color_parameters()->set_gamma(2.2f);
        second->get_color_parameters()->set_conversion(FloatConversion);
        second->set_frame_size({33, 21});
        TQ_CameraParameterSet& camera = second->internalClip()->baseClip().cameraParameters();
        camera.focalLengthUnits().setValue(TQ_CameraParameterSet::Inches, Prm::View(0));
        camera.focalLengthUnits().iAddKeyframe(Prm::Context(Prm::Time::fromDouble(4.5), Prm::View(0), 3));
    }

    QTemporaryDir m_dir;
    ProjectOfSequence m_made;
    QString m_file;
};

TEST_F(ProjectFile, ASavedProjectOpensWhole)
{
    furnish();
    project().save_as(m_file);
    EXPECT_EQ(project().get_project_file(), m_file);
    EXPECT_FALSE(m_made.core().projectHasChanged());

    Project reopened(m_file);
    EXPECT_EQ(describe(reopened), describe(project()));
    EXPECT_EQ(describeClips(reopened), describeClips(project()));
    QStringList names = project().get_clips().keys();
    QStringList reopenedNames = reopened.get_clips().keys();
    names.sort();
    reopenedNames.sort();
    EXPECT_EQ(reopenedNames, names);
    EXPECT_EQ(reopened.get_default_trackable_clip()->get_id(), project().get_default_trackable_clip()->get_id());
    Clip* second = reopened.get_clips().value(QStringLiteral("Second plate"));
    ASSERT_NE(second, nullptr);
    const TQ_CameraParameterSet& camera = cameraOf(*second);
    EXPECT_EQ(camera.focalLengthUnits().keyframeCount(Prm::View(0)), 1u);
    EXPECT_EQ(camera.focalLengthUnits().value(Prm::View(0)), unsigned(TQ_CameraParameterSet::Inches));
    EXPECT_EQ(cameraOf(*reopened.get_clips().value(QStringLiteral("Plate"))).filmBackUnits().value(Prm::View(0)),
              unsigned(TQ_CameraParameterSet::Millimetres));

    // Opened unchanged, with an empty history; saving it again writes the same file.
    EXPECT_FALSE(reopened.projectManager()->projectHasChanged());
    EXPECT_FALSE(reopened.projectManager()->commandManager()->bCanUnDo());
    const QByteArray first = contentsOf(m_file);
    reopened.save();
    EXPECT_EQ(contentsOf(m_file), first);
}

TEST_F(ProjectFile, ValuesJsonCannotHoldComeBack)
{
    project().set_frame_rate(std::numeric_limits<float>::quiet_NaN());
    project().set_views({ViewInfo(QStringLiteral("Main"), QStringLiteral("M"),
                                  {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                                   0.1f})});
    project().save_as(m_file);
    Project reopened(m_file);
    EXPECT_TRUE(std::isnan(reopened.get_frame_rate()));
    EXPECT_EQ(describe(reopened), describe(project()));
}

TEST_F(ProjectFile, TheHeaderListsEveryClipInProjectOrder)
{
    furnish();
    project().save_as(m_file);
    Rirediro::PathNameHandle handle(m_file, Rirediro::Callbacks());
    Rirediro::ProjectHeaderData header;
    Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
    std::vector<unsigned int> ids;
    for (const VUVI_Clip* clip : m_made.core().frameManager().clips())
        ids.push_back(clip->clipID());
    EXPECT_EQ(header.clipIDs, ids);
    ASSERT_EQ(header.baseInfos.size(), 2u);
    ASSERT_EQ(header.clipInfos.size(), 2u);
    EXPECT_EQ(header.baseInfos[1].frameWidth(), 33u);
    EXPECT_EQ(header.clipInfos[1].views().size(), 2u);
}

// What a host hands over: a project that is no file, whose first clip the
// host describes itself.
class HostHandle : public Rirediro::IProjectHandle
{
public:
    explicit HostHandle(QByteArray contents) : IProjectHandle(Rirediro::Callbacks()), m_contents(std::move(contents)) {}
    QString sourceName() const override { return QStringLiteral("host project"); }

protected:
    QByteArray readContents() const override { return m_contents; }

private:
    QByteArray m_contents;
};

TEST_F(ProjectFile, AHostsHandleOpensWithTheHostsFirstClip)
{
    furnish();
    project().save_as(m_file);
    HostHandle handle(contentsOf(m_file));
    Rirediro::ProjectHeaderData header;
    Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
    TQ_BaseClipInfo conformed = header.baseInfos.front();
    conformed.setFrameRate(50.0f);
    const boost::shared_ptr<VUVI_ProjectManager> opened = VUVI_ProjectManager::createFromHandle(
        handle, conformed, header.clipInfos.front(), VUVI_ProjectManager::MigratingClip(), false);
    const VUVI_FrameManager& frames = opened->frameManager();
    ASSERT_EQ(frames.clips().size(), 2);
    EXPECT_EQ(frames.clips().front()->baseClip().baseInfo().frameRate(), 50.0f);
    EXPECT_EQ(frames.clips().back()->baseClip().baseInfo().frameWidth(), 33u);
    EXPECT_EQ(opened->projectProperties().projectFilePath(), QString());
    EXPECT_EQ(opened->projectProperties().heroView(), Prm::View(1));
}

// ---- refused files ---------------------------------------------------------------------

struct DamagedFile
{
    const char* what;
    std::function<void(const QString& path, const QByteArray& good)> make;
    // The message, with %1 for the path; a message ending in "..." is a prefix.
    QString message;
};

QByteArray edited(const QByteArray& good, const std::function<void(QJsonObject&)>& edit)
{
    QJsonObject document = QJsonDocument::fromJson(good).object();
    edit(document);
    return QJsonDocument(document).toJson();
}

// Edits the first clip's entry.
std::function<void(QJsonObject&)> firstClip(const std::function<void(QJsonObject&)>& edit)
{
    return [edit](QJsonObject& document) {
        QJsonArray clips = document[QStringLiteral("clips")].toArray();
        QJsonObject clip = clips[0].toObject();
        edit(clip);
        clips[0] = clip;
        document[QStringLiteral("clips")] = clips;
    };
}

TEST_F(ProjectFile, DamagedFilesAreRefusedNamingTheFile)
{
    furnish();
    project().save_as(m_file);
    const QByteArray good = contentsOf(m_file);
    const auto write = [](const QByteArray& contents) {
        return [contents](const QString& path, const QByteArray&) { writeFile(path, contents); };
    };
    const auto writeEdited = [](const std::function<void(QJsonObject&)>& edit) {
        return [edit](const QString& path, const QByteArray& good) { writeFile(path, edited(good, edit)); };
    };
    const QString damaged = QStringLiteral("Project file '%1' is damaged: ");

    const std::vector<DamagedFile> files = {
        {"missing", [](const QString&, const QByteArray&) {}, QStringLiteral("Project file '%1' does not exist")},
        {"a folder", [](const QString& path, const QByteArray&) { QDir().mkpath(path); },
         QStringLiteral("'%1' is a folder, not a project file")},
        {"empty", write(QByteArray()), QStringLiteral("Project file '%1' is empty")},
        {"cut short", [](const QString& path, const QByteArray& good) { writeFile(path, good.left(good.size() / 2)); },
         damaged + QStringLiteral("...")},
        {"random bytes",
         [](const QString& path, const QByteArray&) {
             QByteArray noise(4096, '\0');
             QRandomGenerator generator(12);
             for (char& byte : noise)
                 byte = char(generator.bounded(256));
             writeFile(path, noise);
         },
         damaged + QStringLiteral("...")},
        {"an image",
         [](const QString& path, const QByteArray&) {
             QImage image(8, 8, QImage::Format_RGB32);
             image.fill(Qt::red);
             ASSERT_TRUE(image.save(path, "PNG"));
         },
         damaged + QStringLiteral("...")},
        {"foreign JSON", write(R"({"name": "a list of things", "version": 1})"),
         QStringLiteral("'%1' is not a project file")},
        {"a JSON list", write("[1, 2, 3]"), QStringLiteral("'%1' is not a project file")},
        {"a newer version", writeEdited([](QJsonObject& d) { d[QStringLiteral("version")] = 3; }),
         QStringLiteral("Project file '%1' was written by a newer version of the application (format 3; this one "
                        "reads up to 2)")},
        {"no clips",
         writeEdited([](QJsonObject& d) {
             d[QStringLiteral("clips")] = QJsonArray();
             d[QStringLiteral("baseClips")] = QJsonArray();
         }),
         damaged + QStringLiteral("clips should be a list of at least one clip")},
        {"an unknown default clip", writeEdited([](QJsonObject& d) { d[QStringLiteral("defaultTrackableClip")] = 99; }),
         damaged + QStringLiteral("defaultTrackableClip should be the id of one of the clips")},
        {"twice a clip id", writeEdited(firstClip([](QJsonObject& c) { c[QStringLiteral("id")] = 2; })),
         damaged + QStringLiteral("clips[1].id should be a clip id that is not 0 and not taken")},
        {"an unknown base clip", writeEdited(firstClip([](QJsonObject& c) { c[QStringLiteral("baseClip")] = 7; })),
         damaged + QStringLiteral("clips[0].baseClip should be one of the base clips")},
        {"a lost property",
         writeEdited([](QJsonObject& d) {
             QJsonObject properties = d[QStringLiteral("properties")].toObject();
             properties.remove(QStringLiteral("length"));
             d[QStringLiteral("properties")] = properties;
         }),
         damaged + QStringLiteral("properties.length is missing")},
        {"a negative length",
         writeEdited([](QJsonObject& d) {
             QJsonObject properties = d[QStringLiteral("properties")].toObject();
             properties[QStringLiteral("length")] = -4;
             d[QStringLiteral("properties")] = properties;
         }),
         damaged + QStringLiteral("properties.length should be a whole number from 0 to 4294967295")},
        {"an unknown hero view",
         writeEdited([](QJsonObject& d) {
             QJsonObject properties = d[QStringLiteral("properties")].toObject();
             properties[QStringLiteral("heroView")] = 5;
             d[QStringLiteral("properties")] = properties;
         }),
         damaged + QStringLiteral("the hero view 5 is not one of the views")},
        {"a stream line of nonsense",
         writeEdited(firstClip([](QJsonObject& c) {
             QJsonObject info = c[QStringLiteral("info")].toObject();
             QJsonObject parameters = info[QStringLiteral("parameters")].toObject();
             parameters[QStringLiteral("prefix")] = QJsonArray{QStringLiteral("rubbish")};
             info[QStringLiteral("parameters")] = parameters;
             c[QStringLiteral("info")] = info;
         })),
         damaged + QStringLiteral("clips[0].info.parameters should be the clip's stream settings")},
        {"a layer in a format without layers",
         writeEdited([](QJsonObject& d) {
             d[QStringLiteral("version")] = 1;
             d[QStringLiteral("layers")] = QJsonArray{QJsonObject()};
         }),
         damaged + QStringLiteral("layers should be an empty list in format 1")},
    };

    for (const DamagedFile& file : files) {
        const QString target = path(QStringLiteral("damaged-%1.plinx").arg(QString::fromLatin1(file.what)));
        file.make(target, good);
        const QString expected = file.message.arg(target);
        try {
            Project opened(target);
            ADD_FAILURE() << file.what << ": opened";
        } catch (const VUVI_BadFile& error) {
            const QString message = QString::fromUtf8(error.what());
            if (expected.endsWith(QLatin1String("...")))
                EXPECT_TRUE(message.startsWith(expected.chopped(3))) << file.what << ": " << message.toStdString();
            else
                EXPECT_EQ(message, expected) << file.what;
        } catch (const std::exception& error) {
            ADD_FAILURE() << file.what << ": " << error.what();
        }
    }
}

// ---- saves that fail ---------------------------------------------------------------------

// Lets this process write files of at most `bytes` bytes while it lives; a
// write beyond fails (rather than killing the process).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

TEST_F(ProjectFile, AWriteFailingMidSaveLeavesTheOldFileByteForByte)
{
    project().save_as(m_file);
    const QByteArray old = contentsOf(m_file);
    const QStringList entries = QDir(m_dir.path()).entryList(QDir::Files);
    project().set_notes(QString(500000, QLatin1Char('n')));
    {
        FileSizeLimit limit(rlim_t(old.size()) + 4096);
        expectFailure<VUVI_BadFile>([&] { project().save(); },
                                    QStringLiteral("Cannot save project file '%1': File too large").arg(m_file));
    }
    EXPECT_EQ(contentsOf(m_file), old);
    EXPECT_EQ(project().get_project_file(), m_file);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), entries) << "no temporary file is left behind";
    Project reopened(m_file);
    EXPECT_EQ(reopened.get_notes(), QString());
}

TEST_F(ProjectFile, SavesGoIntoExistingFoldersOnly)
{
    const QString inMissingFolder = path(QStringLiteral("missing/shot.plinx"));
    try {
        project().save_as(inMissingFolder);
        ADD_FAILURE() << "saved";
    } catch (const VUVI_BadFile& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what())
                        .startsWith(QStringLiteral("Cannot save project file '%1': ").arg(inMissingFolder)));
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("missing"))));
    EXPECT_EQ(project().get_project_file(), QString());
    EXPECT_TRUE(m_made.core().projectHasChanged());
}

} // namespace
