// The parameter trees of projects, clips and base clips, reached through
// the handles of Clip and Project.

#include "ClipTestSupport.h"

#include "Project/wrappers/ImageData.h"
#include "Project/wrappers/Parameter.h"
#include "Project/wrappers/ParameterSet.h"

#include <Prm/Parameter.h>
#include <TQ/ClipMode.h>

#include <stdexcept>

using cliptest::expectFailure;
using cliptest::ProjectOfSequence;

namespace {

using Keyframes = QVector<QPair<View, double>>;

class Trees : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return QDir(m_dir.path()).filePath(name); }
    Clip& clip() { return m_made.clip(); }

    QTemporaryDir m_dir;
    ProjectOfSequence m_made{path("seq"), 1, 3};
};

TEST_F(Trees, AClipsSetHoldsItsStaticClipModes)
{
    ParameterSet set = clip().parameter_set();
    EXPECT_EQ(set.get_script_name(), "Plate");
    QStringList names;
    for (const Parameter& parameter : set.get_parameters())
        names << parameter.get_name_components().join('.');
    EXPECT_EQ(names, (QStringList{"frameRateMode", "filmTypeMode"}));
    EXPECT_TRUE(set.get_subsets().isEmpty());

    // A new project's clip has the user's modes.
    Parameter frameRateMode = clip().parameter({"frameRateMode"});
    EXPECT_EQ(frameRateMode.get().value<TQ_CLIP_MODE>(), TQ_CLIP_MODE_MANUAL);
    frameRateMode.set(QVariant::fromValue(TQ_CLIP_MODE_AUTOMATIC));
    EXPECT_EQ(clip().internalClip()->clipInfo().frameRateMode().value(Prm::View(0)), TQ_CLIP_MODE_AUTOMATIC);
    expectFailure<std::runtime_error>([&] { frameRateMode.get(2.0); }, "Parameter not animated");
    expectFailure<std::runtime_error>([&] { frameRateMode.set(1, double(UINT_MAX), View(1)); },
                                      "Parameter not splittable");
    EXPECT_TRUE(set.get_keyframes().isEmpty());

    // The modes stay in the set whatever info the clip is given.
    clip().set_frame_rate(30.0f);
    m_made.editClipInfo([](TQ_ClipInfo& info) { info.filmTypeMode().setValue(TQ_CLIP_MODE_AUTOMATIC, Prm::View(0)); });
    EXPECT_EQ(clip().parameter({"filmTypeMode"}).get().value<TQ_CLIP_MODE>(), TQ_CLIP_MODE_AUTOMATIC);
    EXPECT_EQ(frameRateMode.parameter(), &clip().internalClip()->clipInfo().frameRateMode());
}

TEST_F(Trees, TheProjectsRootShowsItsClipsUnderTheirNames)
{
    ParameterSet root = m_made.project->parameter_set();
    EXPECT_EQ(root.get_script_name(), "project");
    const QVector<ParameterSet> clips = root.get_subsets();
    ASSERT_EQ(clips.size(), 1);
    EXPECT_EQ(clips[0].get_name_components(), QStringList{"Plate"});
    EXPECT_EQ(clips[0], clip().parameter_set());

    // One parameter reached from two roots: equal, and hashed alike.
    const Parameter fromProject = m_made.project->parameter({"Plate", "filmTypeMode"});
    const Parameter fromClip = clip().parameter({"filmTypeMode"});
    EXPECT_EQ(fromProject, fromClip);
    EXPECT_EQ(qHash(fromProject), qHash(fromClip));
    EXPECT_TRUE(m_made.project->parameter({"Clip", "filmTypeMode"}).isNull());
}

TEST_F(Trees, TheBaseClipsSetRootsWhatTheFootageCarries)
{
    VUVI_BaseClip& baseClip = clip().internalClip()->baseClip();
    // A keyframed set below the base clip, as the core hangs its camera there.
    auto* lens = new Prm::ParameterSet("lens", &baseClip);
    Prm::Parameter<unsigned int> focalLength;
    focalLength.setScriptName("focalLength");
    lens->addParameter(&focalLength);

    ParameterSet base = clip().base_parameter_set();
    EXPECT_EQ(base.handledParameterSet(true), &baseClip);
    EXPECT_TRUE(base.get_subsets().contains(clip().base_parameter_set({"lens"})));
    const QVector<Parameter> lensParameters = clip().base_parameter_set({"lens"}).get_parameters();
    ASSERT_EQ(lensParameters.size(), 1);
    Parameter keyed = lensParameters[0];
    keyed.set(35u, 10.0);
    keyed.set(50u, 20.0);
    EXPECT_EQ(base.get_keyframes(), (Keyframes{{View(0), 10.0}, {View(0), 20.0}}));
    EXPECT_EQ(keyed.get(20.0).toUInt(), 50u);
}

TEST_F(Trees, HandlesAndClipsFailOnceTheirCoreObjectsAreGone)
{
    ParameterSet projectSet = m_made.project->parameter_set();
    Parameter clipMode = clip().parameter({"frameRateMode"});
    ParameterSet base = clip().base_parameter_set();
    Clip outlives(clip().internalClip().get(), m_made.project->projectManager(), nullptr);
    m_made.project.reset();

    const std::function<void()> calls[] = {
        [&] { projectSet.isNull(); },
        [&] { clipMode.get(); },
        [&] { base.get_subsets(); },
        [&] { outlives.parameter({"frameRateMode"}); },
        [&] { outlives.parameter_set(); },
        [&] { outlives.base_parameter_set(); },
        [&] { outlives.image(0); },
    };
    for (const std::function<void()>& call : calls)
        expectFailure<VUVI_BadState>(call, "Invalid object");

    // A detached clip owns its sets.
    EXPECT_EQ(m_made.detached.parameter_set().get_script_name(), "Plate");
    EXPECT_EQ(m_made.detached.base_parameter_set().get_script_name(), "Plate");
}

} // namespace
