// Colour parameters, detached clips, project clips and new projects.

#include "ClipTestSupport.h"

#include "Project/wrappers/ColorParameters.h"

#include <Prm/Views.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>

#include <QFile>
#include <QSignalSpy>

#include <cmath>
#include <limits>

using cliptest::expectFailure;

namespace {

// ---- ColorParameters -----------------------------------------------------------------

TEST(ColorParameters, EverySetterEmitsOnceEvenWithoutChange)
{
    ColorParameters colour;
    EXPECT_EQ(colour.get_colorspace(), LinearColorspace);
    EXPECT_EQ(colour.get_conversion(), NoneConversion);
    EXPECT_EQ(colour.get_log_reference_white(), 685.0f);
    EXPECT_EQ(colour.get_gamma(), 1.0f);

    const std::vector<std::function<void()>> setters = {
        [&] { colour.set_colorspace(LinearColorspace); },   [&] { colour.set_conversion(NoneConversion); },
        [&] { colour.set_offset(0.0f); },                   [&] { colour.set_softclip(0.5f); },
        [&] { colour.set_log_reference_white(685.0f); },    [&] { colour.set_log_reference_black(95.0f); },
        [&] { colour.set_gamma(1.0f); },
    };
    for (const auto& set : setters) {
        QSignalSpy changed(&colour, &ColorParameters::propertyChanged);
        set();
        EXPECT_EQ(changed.count(), 1);
    }
    EXPECT_EQ(colour.get_softclip(), 0.5f);
    EXPECT_EQ(colour.get_log_reference_black(), 95.0f);
}

TEST(ColorParameters, AssignmentCopiesTheSettingsAndEmitsOnceOnTheTarget)
{
    ColorParameters source(LogColorspace, FloatConversion, 1.f, 2.f, 3.f, 4.f, 5.f);
    ColorParameters target;
    QObject parent;
    target.setParent(&parent);
    QSignalSpy targetChanged(&target, &ColorParameters::propertyChanged);
    QSignalSpy sourceChanged(&source, &ColorParameters::propertyChanged);

    target = source;
    EXPECT_EQ(targetChanged.count(), 1);
    EXPECT_EQ(sourceChanged.count(), 0);
    EXPECT_TRUE(target == source);
    EXPECT_EQ(target.parent(), &parent);

    target = target;
    EXPECT_EQ(targetChanged.count(), 1);
    target.setParent(nullptr);
}

TEST(ColorParameters, EqualityIsExact)
{
    EXPECT_TRUE(ColorParameters() == ColorParameters());
    EXPECT_TRUE(ColorParameters(LinearColorspace, FloatConversion) != ColorParameters(LinearColorspace, _8BitConversion));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ColorParameters a(LinearColorspace, NoneConversion, nan), b(LinearColorspace, NoneConversion, nan);
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a == a);
}

// ---- detached clips ---------------------------------------------------------------------

class DetachedClip : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(DetachedClip, ValidationRefusesWhatIsNoFootage)
{
    QFile text(path("notes_0001.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("no image");
    text.close();
    const struct
    {
        QString path;
        QString message;
    } cases[] = {
        {path("missing_0001.png"), QStringLiteral("File '%1' does not exist")},
        {m_dir.path(), QStringLiteral("'%1' is not a file")},
        {path("notes_0001.png"), QStringLiteral("Can not get info from file '%1'")},
    };
    for (const auto& c : cases)
        expectFailure<VUVI_BadFile>([&] { Clip(c.path, QStringLiteral("NewClip"), true, 0, 0, 0, nullptr); },
                                    c.message.arg(c.path));
}

TEST_F(DetachedClip, UndescribableSequenceTakesTheGivenShape)
{
    const struct
    {
        unsigned int width, height, length;
        QPair<unsigned int, unsigned int> size;
        unsigned int last;
    } cases[] = {
        {0, 0, 0, {1, 1}, 100},          // one frame: the last is the first
        {1920, 1080, 50, {1920, 1080}, 149},
    };
    for (const auto& c : cases) {
        const Clip clip(QStringLiteral("/nowhere/shot_0100.png"), QStringLiteral("NewClip"), false, c.width, c.height,
                        c.length, nullptr);
        EXPECT_EQ(clip.get_name(), QStringLiteral("NewClip"));
        EXPECT_EQ(clip.get_frame_size(), c.size);
        const StreamInfo info = clip.get_info(View());
        EXPECT_EQ(info.get_path(), QStringLiteral("/nowhere"));
        EXPECT_EQ(info.get_prefix(), QStringLiteral("shot_"));
        EXPECT_EQ(info.get_suffix(), QStringLiteral(".png"));
        EXPECT_EQ(info.get_start_frame(), 100u);
        EXPECT_EQ(info.get_end_frame(), c.last);
        EXPECT_EQ(info.get_index_width(), 4u);
        EXPECT_EQ(clip.internalClip()->clipInfo().length().value(Prm::View()), std::max(c.length, 1u));
    }
}

TEST_F(DetachedClip, LongAndNonAsciiFoldersKeepTheirPath)
{
    const QString longFolder = QStringLiteral("/nowhere/") + QString(300, QLatin1Char('d'));
    const Clip undescribed(longFolder + QStringLiteral("/s_0001.png"), QStringLiteral("NewClip"), false, 0, 0, 0,
                           nullptr);
    EXPECT_EQ(undescribed.get_info(View()).get_path(), longFolder);

    const QString folder = path(QStringLiteral("Ünïcødé 映像"));
    const Clip described(footage::writeSequence(folder, QStringLiteral("s_"), 1, 2), QStringLiteral("Prise"), true,
                         0, 0, 0, nullptr);
    EXPECT_EQ(described.get_info(View()).get_path(), QFileInfo(folder).absoluteFilePath());
    EXPECT_EQ(described.get_info(View()).get_end_frame(), 2u);
}

TEST_F(DetachedClip, RealFootageIgnoresTheGivenShape)
{
    const Clip sequence(footage::writeSequence(m_dir.path(), QStringLiteral("plate."), 1, 5), QStringLiteral("NewClip"),
                        false, 7, 7, 7, nullptr);
    EXPECT_EQ(sequence.get_frame_size(), qMakePair(40u, 30u));
    EXPECT_EQ(sequence.get_info(View()).get_start_frame(), 1u);
    EXPECT_EQ(sequence.get_info(View()).get_end_frame(), 5u);
    EXPECT_FLOAT_EQ(sequence.get_frame_rate(), 24.0f);
    // PNG files record no gamma.
    EXPECT_EQ(sequence.internalClip()->clipInfo().colorSpaceSettings().gamma, 1.0f);

    const Clip movie(footage::writeMovie(path("take.mov"), 4, 25.0), QStringLiteral("NewClip"), true, 7, 7, 7,
                     nullptr);
    EXPECT_EQ(movie.get_frame_size(), qMakePair(40u, 30u));
    EXPECT_EQ(movie.get_info(View()).get_end_frame(), 3u);
    EXPECT_FLOAT_EQ(movie.get_frame_rate(), 25.0f);
}

TEST_F(DetachedClip, RefusesWhatNeedsAProject)
{
    Clip clip(footage::writeSequence(m_dir.path(), QStringLiteral("f"), 1, 2), QStringLiteral("NewClip"), true, 0, 0,
              0, nullptr);
    const QString message = QStringLiteral("Detected an attempt to use a detached clip with a project");
    const std::vector<std::function<void()>> calls = {
        [&] { clip.get_view_mapping(); },
        [&] { clip.add_stream(QStringLiteral("/x/y_0001.png"), View(0), 1, 1, false); },
        [&] { clip.assign_project_view(View(0), View(0)); },
        [&] {
            clip.exportClip(nullptr, path("out"), QStringLiteral(".png"), QStringLiteral("e"), QString(), 0, 0, 1, {},
                            false, 0, 1);
        },
    };
    for (const auto& call : calls)
        expectFailure<VUVI_AssertionFailed>(call, message);
    EXPECT_TRUE(clip == clip);
}

TEST_F(DetachedClip, CleanplateHasNoStreamInfo)
{
    Clip clip(QStringLiteral("/nowhere/c_0001.png"), QStringLiteral("Plate"), false, 0, 0, 0, nullptr);
    TQ_ClipInfo info = clip.internalClip()->clipInfo();
    info.setCleanplate(true);
    clip.internalClip()->setClipInfoInternal(info);
    expectFailure<VUVI_BadState>([&] { clip.get_info(View()); },
                                 QStringLiteral("Cannot retrieve clip info for cleanplate clip 'Plate'"));
}

// ---- the colour link --------------------------------------------------------------------

class ColourLink : public DetachedClip
{
protected:
    const TQ_ColorSpaceSettings& settings() const { return m_clip.internalClip()->clipInfo().colorSpaceSettings(); }
    Clip m_clip{QStringLiteral("/nowhere/c_0001.png"), QStringLiteral("NewClip"), false, 0, 0, 0, nullptr};
};

TEST_F(ColourLink, AChangeWritesAllSevenSettings)
{
    ColorParameters* colour = m_clip.get_color_parameters();
    ASSERT_TRUE(colour);
    *colour = ColorParameters(PanalogColorspace, FloatConversion, 0.1f, 0.2f, 600.f, 90.f, 2.2f);
    EXPECT_EQ(settings().colorSpace, 2);
    EXPECT_EQ(settings().floatConversion, 1);
    EXPECT_EQ(settings().offset, 0.1f);
    EXPECT_EQ(settings().softClip, 0.2f);
    EXPECT_EQ(settings().logReferenceWhite, 600.f);
    EXPECT_EQ(settings().logReferenceBlack, 90.f);
    EXPECT_EQ(settings().gamma, 2.2f);
}

TEST_F(ColourLink, OneConversionAtATime)
{
    ColorParameters* colour = m_clip.get_color_parameters();
    const struct
    {
        ColorConversion conversion;
        int floatFlag, eightBitFlag;
    } steps[] = {{FloatConversion, 1, 0}, {_8BitConversion, 0, 1}, {NoneConversion, 0, 0}, {_8BitConversion, 0, 1},
                 {FloatConversion, 1, 0}};
    for (const auto& step : steps) {
        colour->set_conversion(step.conversion);
        EXPECT_EQ(settings().floatConversion, step.floatFlag) << step.conversion;
        EXPECT_EQ(settings().eightBitConversion, step.eightBitFlag) << step.conversion;
    }
}

TEST_F(ColourLink, AnAssignedObjectTakesOverAndNullDropsIt)
{
    ColorParameters* own = m_clip.get_color_parameters();
    auto* other = new ColorParameters(LogColorspace, NoneConversion, 0.f, 0.f, 685.f, 0.f, 1.8f);
    m_clip.set_color_parameters(other);
    EXPECT_EQ(m_clip.get_color_parameters(), other);
    EXPECT_EQ(other->parent(), &m_clip);
    EXPECT_EQ(settings().gamma, 1.8f);
    EXPECT_EQ(settings().colorSpace, 1);

    own->set_gamma(3.0f); // no longer linked
    EXPECT_EQ(settings().gamma, 1.8f);
    other->set_gamma(1.2f);
    EXPECT_EQ(settings().gamma, 1.2f);

    m_clip.set_color_parameters(nullptr);
    EXPECT_EQ(m_clip.get_color_parameters(), nullptr);
    other->set_gamma(0.5f);
    EXPECT_EQ(settings().gamma, 1.2f);
}

TEST_F(ColourLink, ProjectClipsReadTheirColourFromTheClipInfo)
{
    cliptest::ProjectOfSequence made(path("seq"), 1, 2);
    made.editClipInfo([](TQ_ClipInfo& info) {
        info.colorSpaceSettings().eightBitConversion = 1;
        info.colorSpaceSettings().gamma = 2.4f;
        info.colorSpaceSettings().colorSpace = 1;
    });
    const Clip again(made.clip().internalClip().get(), made.project->projectManager(), nullptr);
    const ColorParameters* colour = const_cast<Clip&>(again).get_color_parameters();
    EXPECT_EQ(colour->get_conversion(), _8BitConversion);
    EXPECT_EQ(colour->get_gamma(), 2.4f);
    EXPECT_EQ(colour->get_colorspace(), LogColorspace);
}

// ---- new projects and project clips -------------------------------------------------------------

TEST_F(DetachedClip, NewProjectTakesTheClipsNameColourAndFrames)
{
    Clip detached(footage::writeSequence(m_dir.path(), QStringLiteral("f"), 1, 6), QStringLiteral("Hero plate"), true,
                  0, 0, 0, nullptr);
    detached.get_color_parameters()->set_gamma(2.2f);
    detached.set_frame_rate(30.0f);

    const Project project(&detached);
    const QHash<QString, Clip*> clips = project.get_clips();
    ASSERT_EQ(clips.keys(), QStringList{QStringLiteral("Hero plate")});
    Clip* clip = clips.value(QStringLiteral("Hero plate"));
    EXPECT_EQ(clip->parent(), &project);
    EXPECT_EQ(clip->internalClip()->name(), QStringLiteral("Hero plate"));
    EXPECT_FLOAT_EQ(clip->get_frame_rate(), 24.0f);
    EXPECT_EQ(clip->get_frame_size(), qMakePair(40u, 30u));
    EXPECT_TRUE(*clip->get_color_parameters() == *detached.get_color_parameters());
    EXPECT_EQ(clip->internalClip()->clipInfo().colorSpaceSettings().gamma, 2.2f);

    const VUVI_ProjectManager& core = *project.projectManager();
    EXPECT_EQ(core.projectProperties().length(), 6u);
    EXPECT_FLOAT_EQ(core.projectProperties().frameRate(), 24.0f);
    EXPECT_EQ(core.projectProperties().firstFrameOffset(), 1);
    EXPECT_EQ(core.projectProperties().views()->viewList(), std::vector<Prm::View>{Prm::View(0)});
    EXPECT_EQ(core.frameManager().defaultTrackableClip(), clip->get_id());
    EXPECT_TRUE(*clip != detached);
    // The detached clip stays detached.
    expectFailure<VUVI_AssertionFailed>([&] { detached.PM(); },
                                        QStringLiteral("Detected an attempt to use a detached clip with a project"));
}

TEST_F(DetachedClip, InterlacedProjectsWorkOnFields)
{
    const QString first = footage::writeSequence(m_dir.path(), QStringLiteral("f"), 1, 3);
    const struct
    {
        InterlaceMode mode;
        unsigned int height, length;
        int offset;
    } cases[] = {{NotInterlaced, 30, 3, 1}, {UpperFieldFirst, 15, 6, 2}, {LowerFieldFirst, 15, 6, 2}};
    for (const auto& c : cases) {
        Clip detached(first, QStringLiteral("NewClip"), true, 0, 0, 0, nullptr);
        const Project project(&detached, c.mode);
        const Clip* clip = project.get_clips().value(QStringLiteral("NewClip"));
        EXPECT_EQ(clip->get_frame_size(), qMakePair(40u, c.height)) << c.mode;
        EXPECT_EQ(project.projectManager()->projectProperties().length(), c.length) << c.mode;
        EXPECT_EQ(project.projectManager()->projectProperties().firstFrameOffset(), c.offset) << c.mode;
        EXPECT_EQ(int(project.projectManager()->projectProperties().interlaceMode()), int(c.mode));
        EXPECT_EQ(clip->internalClip()->clipInfo().frameRateMode().value(Prm::View()), TQ_CLIP_MODE_MANUAL);
    }
}

TEST(Project, NullClipIsAnInvalidObject)
{
    expectFailure<VUVI_BadState>([] { Project project(static_cast<Clip*>(nullptr)); }, QStringLiteral("Invalid object"));
}

TEST_F(DetachedClip, ProjectClipsFailOnceTheirCoreClipIsGone)
{
    Clip detached(footage::writeSequence(m_dir.path(), QStringLiteral("f"), 1, 2), QStringLiteral("NewClip"), true, 0,
                  0, 0, nullptr);
    auto project = std::make_unique<Project>(&detached);
    Clip* member = project->get_clips().value(QStringLiteral("NewClip"));
    Clip outlives(member->internalClip().get(), project->projectManager(), nullptr);
    EXPECT_TRUE(outlives == *member);

    // Over an empty guarded pointer: made with empty handles.
    Clip empty(Bsc::detail::QPointerEx<TQ::IClip, QPointer>(), project->projectManager(), nullptr);
    EXPECT_NE(empty.get_color_parameters(), nullptr);
    EXPECT_NE(empty.get_progress_watcher(), nullptr);

    boost::weak_ptr<VUVI_ProjectManager> core = project->projectManager();
    project.reset();
    EXPECT_TRUE(core.expired());
    for (Clip* clip : {&outlives, &empty}) {
        expectFailure<VUVI_BadState>([&] { clip->get_name(); }, QStringLiteral("Invalid object"));
        expectFailure<VUVI_BadState>([&] { clip->get_frame_size(); }, QStringLiteral("Invalid object"));
        expectFailure<VUVI_BadState>([&] { (void)(*clip == detached); }, QStringLiteral("Invalid object"));
    }
    // A colour change reaches the gone clip and says so.
    expectFailure<VUVI_BadState>([&] { outlives.get_color_parameters()->set_gamma(2.0f); },
                                 QStringLiteral("Invalid object"));
}

} // namespace
