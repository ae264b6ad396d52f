// Keyframe search and editing: what each edit changes, what it answers and
// what it announces, in order.
#include "ParameterTestSupport.h"

#include <functional>

namespace {

using namespace testing_support;
using Prm::NO_KEYFRAME;
using Prm::ParameterChange;
using Prm::View;
using UIntParameter = Prm::Parameter<unsigned int>;

// Keys at 10 (5) and 20 (7) in view 0, static value 3.
class Keyframes : public ::testing::Test
{
protected:
    Keyframes()
    {
        parameter.setValue(3, View(0));
        parameter.vSetValue(5, at(10));
        parameter.vSetValue(7, at(20));
        log.clear();
    }

    std::vector<double> times(int view = 0) const
    {
        std::vector<double> result;
        for (unsigned int i = 0; i < parameter.keyframeCount(View(view)); ++i)
            result.push_back(parameter.keyframeTime(i, View(view)).time.toDouble());
        return result;
    }

    UIntParameter parameter;
    Prm::ParameterChangeRecorder log{parameter};
};

struct EditCase
{
    const char* name;
    std::function<unsigned int(UIntParameter&)> edit;
    unsigned int result;
    std::vector<double> times;
    std::function<std::vector<ParameterChange>(UIntParameter&)> announced;
};

class KeyframeEdits : public Keyframes, public ::testing::WithParamInterface<EditCase>
{
};

TEST_P(KeyframeEdits, AnswerChangeAndAnnounceInOrder)
{
    const EditCase& c = GetParam();
    EXPECT_EQ(c.edit(parameter), c.result);
    EXPECT_EQ(times(), c.times);
    EXPECT_EQ(recorded(log), c.announced(parameter));
}

using P = UIntParameter;
INSTANTIATE_TEST_SUITE_P(
    Cases, KeyframeEdits,
    ::testing::Values(
        EditCase{"SetValueInsertsBetween", [](P& p) { return p.vSetValue(6, at(15)); }, 1, {10, 15, 20},
                 [](P& p) {
                     return std::vector<ParameterChange>{change(ParameterChange::KeyframeAdded, p, 0, 1),
                                                         change(ParameterChange::KeyframeChangedValue, p, 0, 1)};
                 }},
        EditCase{"SetValueReplacesAtAKey", [](P& p) { return p.vSetValue(9, at(20)); }, 1, {10, 20},
                 [](P& p) { return std::vector<ParameterChange>{change(ParameterChange::KeyframeChangedValue, p, 0, 1)}; }},
        EditCase{"SetValueWithTheSameValue", [](P& p) { return p.vSetValue(7, at(20)); }, 1, {10, 20},
                 [](P&) { return std::vector<ParameterChange>{}; }},
        EditCase{"AddKeyframeTakesTheCurrentValue", [](P& p) { return p.iAddKeyframe(at(25)); }, 2, {10, 20, 25},
                 [](P& p) { return std::vector<ParameterChange>{change(ParameterChange::KeyframeAdded, p, 0, 2)}; }},
        EditCase{"AddKeyframeWhereOneIs", [](P& p) { return p.iAddKeyframe(at(10)); }, NO_KEYFRAME, {10, 20},
                 [](P&) { return std::vector<ParameterChange>{}; }},
        EditCase{"DeleteKeyframe",
                 [](P& p) {
                     p.vDeleteKeyframe(exactlyAt(10));
                     return 0u;
                 },
                 0, {20}, [](P& p) { return std::vector<ParameterChange>{removed(p, 0, 10)}; }},
        EditCase{"DeleteWhereNoKeyframeIs",
                 [](P& p) {
                     p.vDeleteKeyframe(exactlyAt(10.5));
                     return 0u;
                 },
                 0, {10, 20}, [](P&) { return std::vector<ParameterChange>{}; }},
        EditCase{"SetValueWhenNotKeyframed",
                 [](P& p) {
                     p.setKeyframed(false);
                     return p.vSetValue(8, at(15));
                 },
                 NO_KEYFRAME, {},
                 [](P& p) {
                     return std::vector<ParameterChange>{change(ParameterChange::KeyframeChangedValue, p, 0, NO_KEYFRAME)};
                 }}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; });

TEST_F(Keyframes, AddedKeyframeTakesTheValueAtItsTime)
{
    parameter.iAddKeyframe(at(15));
    EXPECT_EQ(parameter.keyframeValue(1, View(0)), 5u);
    parameter.iAddKeyframe(at(2));
    EXPECT_EQ(parameter.keyframeValue(0, View(0)), 5u);
}

struct SearchCase
{
    double time;
    bool hasNext;
    double next;
    bool hasPrevious;
    double previous;
    double nearest;
};

class KeyframeSearch : public ::testing::TestWithParam<SearchCase>
{
};

TEST_P(KeyframeSearch, FindsNextPreviousAndNearest)
{
    const SearchCase& c = GetParam();
    UIntParameter parameter;
    for (double time : {10.0, 10.5, 20.0})
        parameter.vSetValue(1, at(time));

    Prm::Context found;
    EXPECT_EQ(parameter.bNextKeyframe(at(c.time), found), c.hasNext);
    if (c.hasNext) {
        EXPECT_EQ(found, at(c.next));
    }
    EXPECT_EQ(parameter.bPreviousKeyframe(at(c.time), found), c.hasPrevious);
    if (c.hasPrevious) {
        EXPECT_EQ(found, at(c.previous));
    }
    Prm::Time nearest;
    ASSERT_TRUE(parameter.bNearestKeyframeTime(at(c.time), nearest));
    EXPECT_EQ(nearest.toDouble(), c.nearest);
}

INSTANTIATE_TEST_SUITE_P(Times, KeyframeSearch,
                         ::testing::Values(SearchCase{5, true, 10, false, 0, 10},
                                           SearchCase{10, true, 10.5, false, 0, 10},
                                           // Halfway between two keys the later one is nearest.
                                           SearchCase{10.25, true, 10.5, true, 10, 10.5},
                                           SearchCase{15, true, 20, true, 10.5, 10.5},
                                           SearchCase{15.26, true, 20, true, 10.5, 20},
                                           SearchCase{20, false, 0, true, 10.5, 20},
                                           SearchCase{30, false, 0, true, 20, 20}));

TEST_F(Keyframes, SearchesInAnEmptyViewFindNothing)
{
    UIntParameter empty;
    Prm::Context context;
    Prm::Time time;
    unsigned int index = 0;
    EXPECT_FALSE(empty.bNextKeyframe(at(1), context));
    EXPECT_FALSE(empty.bPreviousKeyframe(at(1), context));
    EXPECT_FALSE(empty.bNearestKeyframeTime(at(1), time));
    EXPECT_FALSE(empty.bNearestKeyframeIndex(at(1), index));
}

TEST_F(Keyframes, ReadsPastTheEndClampOrFallBack)
{
    EXPECT_EQ(parameter.keyframeTime(2, View(0)), at(0.0));
    EXPECT_EQ(parameter.keyframe(2, View(0)).time.toDouble(), 20.0);
    EXPECT_EQ(parameter.keyframeValue(2, View(0)), 7u);
    EXPECT_EQ(parameter.allKeyframes(), (QVector<Prm::Context>{at(10), at(20)}));

    UIntParameter empty;
    empty.setValue(4, View(0));
    empty.vSetDefaultInterpolation(Prm::InterpolationSmooth);
    const Prm::KeyframeData<unsigned int> none = empty.keyframe(0, View(0));
    EXPECT_EQ(none.time.toDouble(), Prm::Time::INVALID_TIME_VALUE);
    EXPECT_EQ(none.value, 4u);
    EXPECT_EQ(none.itype, (Prm::IType{Prm::InterpolationSmooth, {}}));
}

TEST_F(Keyframes, DeletingTheOnlyKeyframeKeepsItsValueAsTheStaticValue)
{
    parameter.vDeleteKeyframe(exactlyAt(10));
    parameter.vDeleteKeyframe(exactlyAt(20));
    EXPECT_EQ(parameter.keyframeCount(View(0)), 0u);
    EXPECT_EQ(parameter.value(View(0)), 7u);
    EXPECT_EQ(parameter.value(at(50)), 7u);
}

TEST_F(Keyframes, AppendingReshapesTheFormerLastSegment)
{
    parameter.vSetInterpolationData(Prm::IType{Prm::InterpolationBezier, {1, 2, 3, 4}}, 1, View(0));
    parameter.vSetValue(9, at(30));
    EXPECT_EQ(parameter.keyframe(1, View(0)).itype, (Prm::IType{Prm::InterpolationBezier, {}}));
    EXPECT_EQ(parameter.keyframe(2, View(0)).itype.interpolation, Prm::InterpolationBezier);
}

TEST_F(Keyframes, InterpolationInForceAtATime)
{
    parameter.vSetInterpolation(Prm::InterpolationLinear, at(10));
    parameter.vSetInterpolation(Prm::InterpolationSmooth, at(20));
    EXPECT_EQ(parameter.interpolation(at(5)), Prm::InterpolationLinear);
    EXPECT_EQ(parameter.interpolation(at(10)), Prm::InterpolationLinear);
    EXPECT_EQ(parameter.interpolation(at(15)), Prm::InterpolationLinear);
    EXPECT_EQ(parameter.interpolation(at(20)), Prm::InterpolationSmooth);
    EXPECT_EQ(parameter.interpolation(at(25)), Prm::InterpolationSmooth);
    EXPECT_EQ(parameter.interpolation(Prm::KeyframeIndex(&parameter, View(0), 5)), Prm::Interpolation(1));
    EXPECT_EQ(parameter.interpolationData(Prm::KeyframeIndex(&parameter, View(0), 5)).interpolation,
              parameter.defaultInterpolation());
}

TEST_F(Keyframes, SettingAnInterpolationAnnouncesEvenWithoutChange)
{
    parameter.vSetInterpolation(Prm::InterpolationConstant, at(10));
    parameter.vSetInterpolation(Prm::InterpolationLinear, at(12));
    parameter.vSetInterpolationData(Prm::IType(), 7, View(0));
    EXPECT_EQ(recorded(log),
              std::vector<ParameterChange>{change(ParameterChange::KeyframeChangedInterpolation, parameter, 0, 0)});
}

TEST_F(Keyframes, NewKeyframesTakeThePreviousInterpolationOrTheDefault)
{
    parameter.vSetDefaultInterpolation(Prm::InterpolationSmooth);
    parameter.vSetInterpolation(Prm::InterpolationLinear, at(20));
    parameter.vSetValue(1, at(25));
    parameter.vSetValue(1, at(1));
    EXPECT_EQ(parameter.keyframe(3, View(0)).itype.interpolation, Prm::InterpolationLinear);
    EXPECT_EQ(parameter.keyframe(0, View(0)).itype.interpolation, Prm::InterpolationSmooth);
}

struct RetimeCase
{
    const char* name;
    std::function<Prm::Time(Prm::Time)> retime;
    std::vector<double> times;
    std::vector<unsigned int> values;
};

class Retiming : public Keyframes, public ::testing::WithParamInterface<RetimeCase>
{
};

TEST_P(Retiming, KeepsKeyframesSortedAndUnique)
{
    const RetimeCase& c = GetParam();
    parameter.vSetValue(8, at(30));
    log.clear();
    parameter.adjustKeyframesTime(c.retime);

    EXPECT_EQ(times(), c.times);
    std::vector<unsigned int> values;
    for (unsigned int i = 0; i < parameter.keyframeCount(View(0)); ++i)
        values.push_back(parameter.keyframeValue(i, View(0)));
    EXPECT_EQ(values, c.values);
    EXPECT_TRUE(recorded(log).empty());
}

Prm::Time seconds(double t)
{
    return Prm::Time::fromDouble(t);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Retiming,
    ::testing::Values(
        RetimeCase{"Shift", [](Prm::Time t) { return seconds(t.toDouble() + 5); }, {15, 25, 35}, {5, 7, 8}},
        RetimeCase{"Reverse", [](Prm::Time t) { return seconds(100 - t.toDouble()); }, {70, 80, 90}, {8, 7, 5}},
        // Keys that land on one time merge into the one that was earlier.
        RetimeCase{"Collapse", [](Prm::Time t) { return seconds(t.toDouble() < 25 ? 12 : 40); }, {12, 40}, {5, 8}}),
    [](const ::testing::TestParamInfo<RetimeCase>& info) { return info.param.name; });

TEST_F(Keyframes, RetimingThatFailsMovesNothing)
{
    EXPECT_THROW(parameter.adjustKeyframesTime(boost::function<Prm::Time(Prm::Time)>()), boost::bad_function_call);
    EXPECT_THROW(parameter.adjustKeyframesTime([](Prm::Time t) {
        return Prm::Time::fromDouble(t.toDouble() > 15 ? std::nan("") : 1.0);
    }),
                 std::runtime_error);
    EXPECT_EQ(times(), (std::vector<double>{10, 20}));
}

TEST_F(Keyframes, ASplittableParameterSeesNoKeyframesInViewsWithoutData)
{
    parameter.setSplittable(true);
    Prm::Context found;
    EXPECT_EQ(parameter.keyframeCount(View(1)), 0u);
    EXPECT_FALSE(parameter.bKeyframeAt(exactlyAt(10, 1)));
    EXPECT_FALSE(parameter.bNextKeyframe(at(0, 1), found));
    parameter.vDeleteKeyframe(exactlyAt(10, 1));
    EXPECT_EQ(parameter.keyframeCount(View(0)), 2u);

    parameter.setSplittable(false);
    EXPECT_EQ(parameter.keyframeCount(View(1)), 2u);
    EXPECT_TRUE(parameter.bKeyframeAt(exactlyAt(10, 1)));
}

TEST_F(Keyframes, KeyingAFrameKeysEveryViewTheAnimationStateNames)
{
    parameter.setSplittable(true);
    parameter.setValue(40, View(1));
    parameter.iAddKeyframe(Prm::Frame::fromUInt(15), Prm::AnimationState::forViews({View(0), View(1)}));
    EXPECT_EQ(parameter.keyframeValue(1, View(0)), 5u);
    EXPECT_EQ(parameter.keyframeValue(0, View(1)), 40u);
    EXPECT_EQ(parameter.allKeyframes(), (QVector<Prm::Context>{at(10), at(15), at(20), at(15, 1)}));
}

TEST_F(Keyframes, AParameterThatIsNotKeyframedIgnoresItsKeyframes)
{
    parameter.setKeyframed(false);
    EXPECT_EQ(parameter.keyframeCount(View(0)), 0u);
    EXPECT_TRUE(parameter.allKeyframes().isEmpty());
    EXPECT_EQ(parameter.iAddKeyframe(at(3)), NO_KEYFRAME);
    EXPECT_EQ(parameter.value(at(10)), 3u);
    parameter.setKeyframed(true);
    EXPECT_EQ(parameter.keyframeCount(View(0)), 2u);
}

} // namespace
