// Projects made from a detached clip, projects that wrap a core project, and
// the clip table.

#include "ProjectTestSupport.h"

#include "Project/wrappers/ColorParameters.h"
#include "Python/InUse.h"
#include "Python/PyHelpers.h"

#include <Prm/ParameterChange.h>
#include <Prm/Frame.h>
#include <Rirediro/Clips/IClipServant.h>
#include <Rirediro/Clips/VUVI_BaseClip.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>
#include <Rirediro/Project/VUVI_ParameterManager.h>
#include <TQ/CameraParameterSet.h>

#include <QDir>
#include <QPointer>
#include <QTemporaryDir>

#include <cmath>
#include <optional>

using namespace projecttest;

namespace {

class NewProject : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;
    SettingOverrides m_settings;
};

TEST_F(NewProject, StartsAsAProjectOfItsClip)
{
    ProjectOfSequence made(m_dir.path(), 1, 5);
    const Project& project = *made.project;
    EXPECT_EQ(project.get_frame_rate(), 24.0f);
    EXPECT_EQ(project.get_project_file(), QString());
    EXPECT_EQ(project.get_length(), 5u);
    EXPECT_EQ(project.get_in_out_range(), qMakePair(0u, 4u));
    EXPECT_EQ(project.get_default_hero_view().get_id(), 0u);
    ASSERT_EQ(project.get_views().size(), 1);
    EXPECT_EQ(project.get_default_trackable_clip(), &made.clip());
}

TEST_F(NewProject, TakesTheOutputFolderOfTheSettings)
{
    const QString folder = QDir(m_dir.path()).filePath(QStringLiteral("renders"));
    m_settings.set(QStringLiteral("OutputFolder"), folder);
    ProjectOfSequence made(m_dir.path(), 1, 2);
    EXPECT_EQ(made.project->get_output_dir(), QDir::toNativeSeparators(folder));
    EXPECT_EQ(Product::Settings::outputFolder(Product::Settings::ProjectOutput, 5), folder);
}

TEST_F(NewProject, MeasuresItsCameraInMillimetresAnnouncingOnlyChanges)
{
    ProjectOfSequence made(m_dir.path(), 1, 2);
    VUVI_ProjectManager& core = made.core();
    const unsigned int baseClipID = made.clip().internalClip()->baseClipID();
    const TQ_CameraParameterSet* camera =
        core.parameterManager().pGetClipParameters<TQ_CameraParameterSet>(baseClipID);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(core.parameterManager().pGetClipParameters<TQ_CameraParameterSet>(baseClipID + 100), nullptr);

    const Prm::View view(Prm::View::defaultViewId());
    EXPECT_EQ(camera->filmBackUnits().value(view), unsigned(TQ_CameraParameterSet::Millimetres));
    EXPECT_EQ(camera->focalLengthUnits().value(view), unsigned(TQ_CameraParameterSet::Millimetres));
    // The film back was in inches: one announcement. The focal length was
    // in millimetres already: none.
    QVector<const Prm::ParameterWithoutType*> changed;
    for (const Prm::ParameterChange& change : camera->announcedChanges()) {
        if (change.type == Prm::ParameterChange::ValueChanged) {
            changed.append(change.parameter);
            EXPECT_EQ(change.view, view);
        }
    }
    EXPECT_EQ(changed, (QVector<const Prm::ParameterWithoutType*>{&camera->filmBackUnits()}));
}

TEST_F(NewProject, RendersInTheFormatOfTheSettings)
{
    {
        ProjectOfSequence made(m_dir.path(), 1, 2);
        EXPECT_EQ(made.core().defaultFileExtension(), QStringLiteral(".TIF"));
    }
    m_settings.set(QStringLiteral("ResultClipFileFormat"), QStringLiteral("exr"));
    ProjectOfSequence made(m_dir.path(), 1, 2);
    EXPECT_EQ(made.core().defaultFileExtension(), QStringLiteral(".exr"));
}

TEST_F(NewProject, KeepsTheDetachedClipsColour)
{
    const QString first = footage::writeSequence(m_dir.path(), QStringLiteral("c"), 1, 2);
    Clip detached(first, QStringLiteral("Graded"), true, 0, 0, 0, nullptr);
    detached.get_color_parameters()->set_gamma(2.2f);
    detached.get_color_parameters()->set_colorspace(LogColorspace);
    Project project(&detached);
    Clip* clip = project.get_clips().value(QStringLiteral("Graded"));
    ASSERT_NE(clip, nullptr);
    EXPECT_TRUE(*clip->get_color_parameters() == *detached.get_color_parameters());
    EXPECT_EQ(clip->internalClip()->clipInfo().colorSpaceSettings().gamma, 2.2f);
}

// ---- the clip table ------------------------------------------------------------------

class ClipTable : public ::testing::Test
{
protected:
    ClipTable() : m_made(m_dir.path(), 1, 3), m_other(footage::writeSequence(m_dir.path(), QStringLiteral("o"), 1, 2))
    {
    }
    Project& project() { return *m_made.project; }
    VUVI_FrameManager& frames() { return m_made.core().frameManager(); }

    QTemporaryDir m_dir;
    ProjectOfSequence m_made;
    QString m_other;
};

TEST_F(ClipTable, AddedClipsTakeTheProjectsRateAndNeverReKey)
{
    project().set_frame_rate(30.0f);
    Clip source(m_other, QStringLiteral("Source"), true, 0, 0, 0, nullptr);
    Clip* added = project().add_clip(&source, QStringLiteral("Second"));
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->get_frame_rate(), 30.0f);
    EXPECT_EQ(added->get_name(), QStringLiteral("Second"));
    EXPECT_EQ(project().get_clips().value(QStringLiteral("Second")), added);
    EXPECT_EQ(project().get_clips().size(), 2);

    // A clip renamed in the core keeps its entry and gets a second one once
    // the table is refreshed.
    m_made.core().parameterManager().vSetClipName(added->get_id(), QStringLiteral("Renamed"));
    Clip* third = project().add_clip(&source, QStringLiteral("Third"));
    const QHash<QString, Clip*> clips = project().get_clips();
    EXPECT_EQ(clips.size(), 4);
    EXPECT_EQ(clips.value(QStringLiteral("Second")), added);
    EXPECT_EQ(clips.value(QStringLiteral("Renamed"))->get_id(), added->get_id());
    EXPECT_EQ(clips.value(QStringLiteral("Third")), third);
}

TEST_F(ClipTable, ATakenNameStillGivesTheNewClip)
{
    Clip source(m_other, QStringLiteral("Source"), true, 0, 0, 0, nullptr);
    Clip* added = project().add_clip(&source, QStringLiteral("Plate"));
    ASSERT_NE(added, nullptr);
    EXPECT_NE(added, &m_made.clip());
    EXPECT_NE(added->get_id(), m_made.clip().get_id());
    EXPECT_EQ(added->parent(), &project());
    EXPECT_EQ(project().get_clips().value(QStringLiteral("Plate")), &m_made.clip()) << "the table never re-keys";
}

TEST_F(ClipTable, ANullClipAddsNothing)
{
    expectFailure<VUVI_BadState>([&] { project().add_clip(nullptr, QStringLiteral("None")); },
                                 QStringLiteral("Invalid object"));
    EXPECT_EQ(frames().clips().size(), 1);
    EXPECT_EQ(project().get_clips().size(), 1);
}

TEST_F(ClipTable, ClipsDeletedInTheCoreAreSkipped)
{
    Clip source(m_other, QStringLiteral("Source"), true, 0, 0, 0, nullptr);
    Clip* second = project().add_clip(&source, QStringLiteral("Second"));
    const unsigned int firstID = m_made.clip().get_id();
    ASSERT_TRUE(frames().deleteClip(firstID));
    EXPECT_EQ(frames().defaultTrackableClip(), second->get_id());

    // The wrapper of the deleted clip stays in the table and reports it ...
    expectFailure<VUVI_BadState>([&] { m_made.clip().get_name(); }, QStringLiteral("Invalid object"));
    // ... but searches pass over it.
    EXPECT_EQ(project().get_default_trackable_clip(), second);
    Clip* third = project().add_clip(&source, QStringLiteral("Third"));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->get_name(), QStringLiteral("Third"));
    EXPECT_FALSE(frames().deleteClip(firstID));
}

TEST_F(ClipTable, AProjectKeepsItsLastClip)
{
    EXPECT_FALSE(frames().deleteClip(m_made.clip().get_id()));
    EXPECT_EQ(frames().clips().size(), 1);
}

TEST_F(ClipTable, WrappingTakesTheLaterOfTwoClipsOfOneName)
{
    Clip source(m_other, QStringLiteral("Source"), true, 0, 0, 0, nullptr);
    Clip* twin = project().add_clip(&source, QStringLiteral("Plate"));
    Project wrapper(&m_made.core());
    EXPECT_EQ(wrapper.get_clips().size(), 1);
    EXPECT_EQ(wrapper.get_clips().value(QStringLiteral("Plate"))->get_id(), twin->get_id());
    EXPECT_TRUE(wrapper == project());
    EXPECT_FALSE(wrapper != project());
    EXPECT_EQ(wrapper.get_clips().value(QStringLiteral("Plate"))->parent(), &wrapper);
}

TEST(WrappedProject, NeverOwnsItsCoreProject)
{
    QTemporaryDir dir;
    ProjectOfSequence made(dir.path(), 1, 2);
    boost::weak_ptr<VUVI_ProjectManager> owned = made.project->projectManager();
    {
        Project wrapper(&made.core());
        EXPECT_EQ(wrapper.get_notes(), QString());
    }
    EXPECT_FALSE(owned.expired());
    EXPECT_EQ(made.clip().get_name(), QStringLiteral("Plate"));
}

TEST(WrappedProject, OverNothingEveryCallIsAnInvalidObject)
{
    Project nothing(static_cast<VUVI_ProjectManager*>(nullptr));
    EXPECT_TRUE(nothing.get_clips().isEmpty());
    EXPECT_NE(nothing.get_progress_watcher(), nullptr);
    for (const std::function<void()>& call : std::vector<std::function<void()>>{
             [&] { nothing.get_notes(); }, [&] { nothing.set_length(3); }, [&] { nothing.get_views(); },
             [&] { nothing.save_as(QStringLiteral("x")); }, [&] { nothing.undo_group(); },
             [&] { nothing.get_default_trackable_clip(); }})
        expectFailure<VUVI_BadState>(call, QStringLiteral("Invalid object"));
}

// The application frees its project when it pleases. A Project over it, its
// Qt child, forgets it then: a call that holds the Project fails cleanly,
// and the Project goes once no call holds it and the thread is out of the
// core.
TEST(WrappedProject, ForgetsTheCoreProjectItsOwnerFrees)
{
    for (const bool inCore : {false, true}) {
        SCOPED_TRACE(inCore ? "freed inside the core" : "freed outside the core");
        QTemporaryDir dir;
        ProjectOfSequence made(dir.path(), 1, 2);
        const boost::weak_ptr<VUVI_ProjectManager> core = made.project->projectManager();
        auto* wrapper = new Project(&made.core());
        wrapper->setParent(&made.core());
        const QPointer<Project> watched(wrapper);
        {
            const PyHelpers::InUse call(wrapper);
            {
                std::optional<PyHelpers::CoreLock> section;
                if (inCore)
                    section.emplace();
                made.project.reset();
                EXPECT_TRUE(core.expired());
                EXPECT_TRUE(watched);
            }
            expectFailure<VUVI_BadState>([&] { wrapper->get_notes(); }, QStringLiteral("Invalid object"));
            EXPECT_TRUE(watched);
        }
        EXPECT_FALSE(watched);
    }
}

// Its deletion may run Python (a slot of its destroyed signal) that waits
// for another thread's call: never in the middle of the core's work.
TEST(WrappedProject, FreedInsideTheCoreGoesOnceTheThreadLeavesIt)
{
    QTemporaryDir dir;
    ProjectOfSequence made(dir.path(), 1, 2);
    auto* wrapper = new Project(&made.core());
    wrapper->setParent(&made.core());
    const QPointer<Project> watched(wrapper);
    {
        const PyHelpers::CoreLock section;
        {
            const PyHelpers::CoreLock nested;
            made.project.reset();
        }
        EXPECT_TRUE(watched);
    }
    EXPECT_FALSE(watched);
}

TEST(CurrentFrame, AnyTimeIsTakenSafely)
{
    QTemporaryDir dir;
    ProjectOfSequence made(dir.path(), 1, 4);
    VUVI_FrameManager& frames = made.core().frameManager();
    const Rirediro::IClipServant& servant = *made.clip().internalClip()->servant();

    frames.setCurrentFrame(Prm::Context(Prm::Time::fromDouble(2.5), Prm::View(0), 3));
    EXPECT_EQ(servant.currentFrame(), 2u);
    // Before the first frame, clips read no frame at all.
    frames.setCurrentFrame(Prm::Context(Prm::Time::fromDouble(-3.0), Prm::View(0), 3));
    EXPECT_EQ(made.core().currentFrame().time.toDouble(), -3.0);
    EXPECT_EQ(servant.currentFrame(), Prm::Frame::NONE.value());
    // A time that is no number changes nothing.
    frames.setCurrentFrame(Prm::Context(Prm::Time::fromDouble(std::nan("")), Prm::View(0), 3));
    EXPECT_EQ(made.core().currentFrame().time.toDouble(), -3.0);
}

TEST(CurrentProject, OutsideTheApplicationThereIsNone)
{
    EXPECT_EQ(getCurrentProject(), nullptr);
}

} // namespace
