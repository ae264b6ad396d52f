// The value of a parameter at a context: masters, views, keyframes and the
// value types' interpolation.
#include "ParameterTestSupport.h"

#include <cmath>

namespace {

using namespace testing_support;
using Prm::View;
using UIntParameter = Prm::Parameter<unsigned int>;

struct TimeValue
{
    double time;
    unsigned int value;
};

class HeldValues : public ::testing::TestWithParam<TimeValue>
{
};

TEST_P(HeldValues, HoldTheLastKeyframeAndExtrapolateConstantly)
{
    UIntParameter parameter;
    parameter.setValue(3, View(0));
    parameter.vSetValue(5, at(10));
    parameter.vSetValue(7, at(20));
    EXPECT_EQ(parameter.value(at(GetParam().time)), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Times, HeldValues,
                         ::testing::Values(TimeValue{5, 5}, TimeValue{10, 5}, TimeValue{15, 5}, TimeValue{19.999, 5},
                                           TimeValue{20, 7}, TimeValue{25, 7}, TimeValue{std::nan(""), 5}));

TEST(ParameterValue, StaticValueWithoutKeyframesOrWhenNotKeyframed)
{
    UIntParameter parameter;
    parameter.setValue(3, View(0));
    EXPECT_EQ(parameter.value(at(12)), 3u);

    parameter.vSetValue(5, at(10));
    parameter.setKeyframed(false);
    for (double time : {0.0, 10.0, 1e9})
        EXPECT_EQ(parameter.value(at(time)), 3u);
}

TEST(ParameterValue, NotSplittableAnswersEveryViewFromTheFirstView)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(1, View(1));
    parameter.setValue(2, View(2));
    parameter.setSplittable(false);
    EXPECT_EQ(parameter.value(at(0, 2)), 0u); // view 0's data, created first
    parameter.deleteView(View(0));
    EXPECT_EQ(parameter.value(at(0, 2)), 1u);
    EXPECT_EQ(parameter.value(at(0, 7)), 1u);
}

TEST(ParameterValue, AMasterOfTheSameTypeStandsInEvenForKeyedParameters)
{
    UIntParameter master;
    master.setValue(50, View(0));
    UIntParameter middle;
    UIntParameter slave;
    slave.vSetValue(5, at(10));
    EXPECT_TRUE(middle.bAddConstrainedParameter(&slave));
    EXPECT_TRUE(master.bAddConstrainedParameter(&middle));

    EXPECT_EQ(slave.value(at(10)), 50u);
    master.vSetValue(60, at(10));
    master.vSetInterpolation(Prm::InterpolationLinear, at(10));
    EXPECT_EQ(slave.value(at(10)), 60u);
    EXPECT_EQ(slave.interpolation(at(10)), Prm::InterpolationLinear);

    {
        UIntParameter shortLived;
        shortLived.setValue(9, View(0));
        slave.setMasterParameter(&shortLived);
        EXPECT_EQ(slave.value(at(10)), 9u);
    }
    EXPECT_EQ(slave.masterParameter(), nullptr);
    EXPECT_EQ(slave.value(at(10)), 5u);
}

TEST(ParameterValue, AMasterOfAnotherTypeOrAMasterCycleIsIgnored)
{
    Prm::Parameter<double> otherType;
    otherType.setValue(2.5, View(0));
    UIntParameter parameter;
    parameter.setValue(4, View(0));
    parameter.vSetValue(5, at(10));
    parameter.setMasterParameter(&otherType);
    EXPECT_EQ(parameter.value(at(10)), 5u);
    EXPECT_EQ(parameter.value(at(1e9)), 5u);
    EXPECT_EQ(parameter.interpolationData(Prm::KeyframeIndex(&parameter, View(0), 0)).interpolation,
              Prm::InterpolationConstant);

    // a -> b -> c -> b: every member of the chain shows its own values.
    UIntParameter a, b, c;
    a.setValue(1, View(0));
    b.setValue(2, View(0));
    c.setValue(3, View(0));
    a.setMasterParameter(&b);
    b.setMasterParameter(&c);
    c.setMasterParameter(&b);
    EXPECT_EQ(a.value(at(0)), 1u);
    EXPECT_EQ(b.value(at(0)), 2u);
    EXPECT_EQ(c.value(at(0)), 3u);
    EXPECT_EQ(c.extrapolationAfter(), Prm::ExtrapolationConstant);
    // Cycles cannot be made through the checked operation.
    UIntParameter x, y;
    EXPECT_TRUE(y.bAddConstrainedParameter(&x));
    EXPECT_FALSE(x.bAddConstrainedParameter(&y));
    EXPECT_FALSE(x.bAddConstrainedParameter(&x));
}

// Four views, each keyed differently, all interpolating from every view.
class MultiViewValues : public ::testing::Test
{
protected:
    MultiViewValues()
    {
        parameter.setSplittable(true);
        parameter.vSetDefaultInterpolation(Prm::InterpolationLinear);
        parameter.vSetValue(0.0, at(0, 0));
        parameter.vSetValue(10.0, at(10, 1));
        parameter.vSetValue(20.0, at(20, 2));
        parameter.vSetValue(40.0, at(40, 3));
        parameter.setMVInterpolationParams({Prm::MVInterpolationParams::Sources::AllViews});
    }

    std::vector<View> firstViews(std::size_t count) const
    {
        return std::vector<View>(parameter.viewList().begin(), parameter.viewList().begin() + std::ptrdiff_t(count));
    }

    Prm::Parameter<double> parameter;
};

TEST_F(MultiViewValues, InterpolateBetweenTheNearestKeyframesOfAllSourceViews)
{
    EXPECT_DOUBLE_EQ(parameter.value(at(5, 0)), 5.0);   // 0 (view 0) .. 10 (view 1)
    EXPECT_DOUBLE_EQ(parameter.value(at(30, 0)), 30.0); // 20 (view 2) .. 40 (view 3)
    EXPECT_DOUBLE_EQ(parameter.value(at(50, 2)), 40.0); // after the last
    EXPECT_DOUBLE_EQ(parameter.value(at(10, 1)), 10.0); // its own keyframe
    EXPECT_DOUBLE_EQ(parameter.value(at(10, 0)), 10.0); // another view's keyframe
}

TEST_F(MultiViewValues, FixedAndGeneralVariantsAgree)
{
    for (double time : {-1.0, 0.0, 5.0, 10.0, 15.0, 35.0, 45.0}) {
        const Prm::Context context = at(time, 1);
        EXPECT_DOUBLE_EQ(parameter.computedValue<1>(context, firstViews(1), nullptr),
                         parameter.computedValue<SIZE_MAX>(context, firstViews(1), nullptr));
        EXPECT_DOUBLE_EQ(parameter.computedValue<2>(context, firstViews(2), nullptr),
                         parameter.computedValue<SIZE_MAX>(context, firstViews(2), nullptr));
        EXPECT_DOUBLE_EQ(parameter.computedValue<3>(context, firstViews(3), nullptr),
                         parameter.computedValue<SIZE_MAX>(context, firstViews(3), nullptr));
    }
}

TEST_F(MultiViewValues, OwnViewSourcesUseOnlyTheViewsOwnKeyframes)
{
    parameter.setMVInterpolationParams({});
    EXPECT_DOUBLE_EQ(parameter.value(at(5, 0)), 0.0);
    EXPECT_DOUBLE_EQ(parameter.value(at(5, 3)), 40.0);
}

TEST(SquashBounds, EmptyGivesTheEmptyPairAndOneGivesItself)
{
    const Prm::BoundingKeyframes empty = Prm::detail::squashBounds(QVector<Prm::BoundingKeyframes>(), at(0));
    EXPECT_EQ(empty.before, Prm::KeyframeIndex());
    EXPECT_EQ(empty.after, Prm::KeyframeIndex());
    EXPECT_TRUE(empty.before.isEmpty() && empty.after.isEmpty());

    UIntParameter parameter;
    Prm::BoundingKeyframes one;
    one.before = Prm::KeyframeIndex(&parameter, View(2), 4);
    EXPECT_EQ(Prm::detail::squashBounds(QVector<Prm::BoundingKeyframes>{one}, at(0)), one);
}

struct IntersectCase
{
    const char* name;
    // Keyframe indexes into views 0 (keys at 10, 30) and 1 (keys at 20, 30); -1 is empty.
    int firstBefore, firstAfter, secondBefore, secondAfter;
    int contextView;
    // Expected (view, index) of the result's sides; view -1 is empty.
    int beforeView, beforeIndex, afterView, afterIndex;
};

class IntersectBounds : public ::testing::TestWithParam<IntersectCase>
{
};

TEST_P(IntersectBounds, KeepsTheTightestKeyframesAroundTheTime)
{
    const IntersectCase& c = GetParam();
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.vSetValue(1, at(10, 0));
    parameter.vSetValue(1, at(30, 0));
    parameter.vSetValue(1, at(20, 1));
    parameter.vSetValue(1, at(30, 1));
    const auto index = [&](int view, int i) {
        return i < 0 ? Prm::KeyframeIndex() : Prm::KeyframeIndex(&parameter, View(view), unsigned(i));
    };
    const Prm::BoundingKeyframes first{index(0, c.firstBefore), index(0, c.firstAfter)};
    const Prm::BoundingKeyframes second{index(1, c.secondBefore), index(1, c.secondAfter)};

    const Prm::BoundingKeyframes result = Prm::detail::intersectBounds(first, second, at(0, c.contextView));
    EXPECT_EQ(result.before, index(c.beforeView, c.beforeView < 0 ? -1 : c.beforeIndex));
    EXPECT_EQ(result.after, index(c.afterView, c.afterView < 0 ? -1 : c.afterIndex));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntersectBounds,
    ::testing::Values(
        // t = 15: view 0 brackets it by 10..30, view 1 lies after it (20).
        IntersectCase{"LaterBeforeEarlierAfter", 0, 1, -1, 0, 0, 0, 0, 1, 0},
        // t = 25: 10..30 and 20..30; the tie at 30 goes to the first pair.
        IntersectCase{"TieGoesToTheFirst", 0, 1, 0, 1, 0, 1, 0, 0, 1},
        // The same tie in view 1's context goes to view 1.
        IntersectCase{"TieGoesToTheContextView", 0, 1, 0, 1, 1, 1, 0, 1, 1},
        IntersectCase{"BothAfterTheLast", 1, -1, 1, -1, 0, 0, 1, -1, 0},
        IntersectCase{"BothEmpty", -1, -1, -1, -1, 0, -1, 0, -1, 0}),
    [](const ::testing::TestParamInfo<IntersectCase>& info) { return info.param.name; });

struct RealCase
{
    const char* name;
    Prm::IType segment;
    Prm::Extrapolation extrapolation;
    double time;
    double value;
};

class RealValues : public ::testing::TestWithParam<RealCase>
{
};

TEST_P(RealValues, FollowTheSegmentShapeAndExtrapolation)
{
    const RealCase& c = GetParam();
    Prm::Parameter<float> parameter;
    parameter.vSetValue(10.0f, at(10));
    parameter.vSetValue(20.0f, at(20));
    parameter.vSetInterpolationData(c.segment, 0, View(0));
    parameter.vSetExtrapolationBefore(c.extrapolation);
    parameter.vSetExtrapolationAfter(c.extrapolation);
    EXPECT_NEAR(parameter.value(at(c.time)), c.value, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RealValues,
    ::testing::Values(
        RealCase{"Constant", {Prm::InterpolationConstant, {}}, Prm::ExtrapolationConstant, 15, 10},
        RealCase{"Linear", {Prm::InterpolationLinear, {}}, Prm::ExtrapolationConstant, 12.5, 12.5},
        RealCase{"Smooth", {Prm::InterpolationSmooth, {}}, Prm::ExtrapolationConstant, 12.5, 11.5625},
        RealCase{"LinearBezier", {Prm::InterpolationBezier, Prm::LINEAR_BEZIER_HANDLES}, Prm::ExtrapolationConstant, 17.5, 17.5},
        RealCase{"EaseInBezier", {Prm::InterpolationBezier, {0.5, 0, 1, 1}}, Prm::ExtrapolationConstant, 12, 10.4915},
        RealCase{"ConstantBefore", {Prm::InterpolationLinear, {}}, Prm::ExtrapolationConstant, 0, 10},
        RealCase{"LinearBefore", {Prm::InterpolationLinear, {}}, Prm::ExtrapolationLinear, 0, 0},
        RealCase{"LinearAfter", {Prm::InterpolationLinear, {}}, Prm::ExtrapolationLinear, 30, 30}),
    [](const ::testing::TestParamInfo<RealCase>& info) { return info.param.name; });

TEST(RealValues, BezierSegmentsStartWithHandlesOfConstantSpeed)
{
    Prm::Parameter<double> parameter;
    parameter.vSetDefaultInterpolation(Prm::InterpolationBezier);
    parameter.vSetValue(0.0, at(0));
    parameter.vSetValue(1.0, at(1));
    EXPECT_EQ(parameter.keyframe(0, View(0)).itype.data, Prm::LINEAR_BEZIER_HANDLES);
    EXPECT_NEAR(parameter.value(at(0.25)), 0.25, 1e-9);
}

} // namespace
