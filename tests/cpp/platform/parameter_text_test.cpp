// The parameter library's value types and the helpers of the keyframe text
// form: frames from times, view prefixes, names and declarations.
#include <Prm/AnimationState.h>
#include <Prm/Context.h>
#include <Prm/Frame.h>
#include <Prm/Interpolation.h>
#include <Prm/MultiViewInterpolation.h>
#include <Prm/ParameterStrings.h>
#include <Prm/View.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using Prm::View;

struct FrameCase
{
    double time;
    bool names;
    uint32_t frame;
};

class FramesFromTimes : public ::testing::TestWithParam<FrameCase>
{
};

TEST_P(FramesFromTimes, AreDefinedForEveryTime)
{
    const Prm::Frame frame = Prm::Frame::fromTime(Prm::Time::fromDouble(GetParam().time));
    EXPECT_EQ(!frame.isNegative(), GetParam().names);
    if (GetParam().names) {
        EXPECT_EQ(frame.value(), GetParam().frame);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Times, FramesFromTimes,
    ::testing::Values(FrameCase{0, true, 0}, FrameCase{12.9, true, 12}, FrameCase{-0.5, true, 0},
                      FrameCase{2147483647.0, true, 2147483647u}, FrameCase{2147483648.0, false, 0},
                      // The time the scripting API passes for "no frame".
                      FrameCase{4294967295.0, false, 0}, FrameCase{4294967296.0, false, 0}, FrameCase{-1, false, 0},
                      FrameCase{std::nan(""), false, 0}, FrameCase{std::numeric_limits<double>::infinity(), false, 0},
                      FrameCase{-std::numeric_limits<double>::infinity(), false, 0},
                      FrameCase{Prm::Time::INVALID_TIME_VALUE, false, 0}, FrameCase{1e300, false, 0}));

TEST(Frame, NoneIsNegativeAndFramesStartAtTheirTime)
{
    EXPECT_TRUE(Prm::Frame::NONE.isNegative());
    EXPECT_FALSE(Prm::Frame::MAX.isNegative());
    EXPECT_EQ(Prm::Frame::fromUInt(15).time().toDouble(), 15.0);
    EXPECT_EQ(Prm::Frame::NONE.time().toDouble(), 4294967295.0);
}

TEST(Context, OrdersByTimeThenViewThenMode)
{
    const auto at = [](double t, int v, int m) { return Prm::Context(Prm::Time::fromDouble(t), View(v), m); };
    EXPECT_LT(at(1, 5, 5), at(2, 0, 0));
    EXPECT_LT(at(1, -1, 5), at(1, 0, 0));
    EXPECT_LT(at(1, 0, -3), at(1, 0, 3));
    EXPECT_FALSE(at(1, 0, 3) < at(1, 0, 3));
    const Prm::Context::Explicit exact(at(4, 1, 3));
    EXPECT_EQ(static_cast<const Prm::Context&>(exact), at(4, 1, 3));
}

TEST(ViewPrefix, WritesAndSplitsOffTheSameText)
{
    EXPECT_EQ(View::toString(View(3)), "view[3].");
    EXPECT_EQ(View(3).toString(), "view 3");
    for (int id : {0, 1, 17, View::MAX_PREFIX_ID}) {
        QString line = View::toString(View(id)) + "value=1";
        View view(-5);
        ASSERT_TRUE(View::extractStringPrefix(line, view)) << id;
        EXPECT_EQ(view.id(), id);
        EXPECT_EQ(line, "value=1");
    }
}

class NotAViewPrefix : public ::testing::TestWithParam<const char*>
{
};

TEST_P(NotAViewPrefix, LeavesTheLineAlone)
{
    QString line = GetParam();
    View view(-5);
    EXPECT_FALSE(View::extractStringPrefix(line, view));
    EXPECT_EQ(line, GetParam());
    EXPECT_EQ(view.id(), -5);
}

INSTANTIATE_TEST_SUITE_P(Lines, NotAViewPrefix,
                         ::testing::Values("value=1", "view[].value=1", "view[-1].value=1", "view[1]value=1",
                                           "view[x].value=1", "View[1].value=1", "view[4096].value=1",
                                           "view[99999999999].value=1", "view[1", ""));

TEST(InterpolationNames, ReadBackWhatIsWritten)
{
    for (int i = 0; i <= 3; ++i) {
        Prm::Interpolation read = Prm::Interpolation(-1);
        EXPECT_TRUE(Prm::bStringToInterpolationType(Prm::qstrInterpolationTypeString(Prm::Interpolation(i)), read));
        EXPECT_EQ(read, Prm::Interpolation(i));
    }
    EXPECT_EQ(Prm::qstrInterpolationTypeString(Prm::InterpolationBezier), "bezier");
    EXPECT_EQ(Prm::qstrInterpolationTypeString(Prm::Interpolation(12)), "12");

    Prm::Extrapolation extrapolation = Prm::ExtrapolationLinear;
    EXPECT_TRUE(Prm::bStringToExtrapolationType(" Constant ", extrapolation));
    EXPECT_EQ(extrapolation, Prm::ExtrapolationConstant);
    EXPECT_FALSE(Prm::bStringToExtrapolationType("sideways", extrapolation));
    EXPECT_EQ(extrapolation, Prm::ExtrapolationConstant);
    EXPECT_EQ(Prm::qstrExtrapolationTypeString(Prm::ExtrapolationLinear), "linear");
}

struct NumberCase
{
    double value;
    const char* text;
};

class NumberTexts : public ::testing::TestWithParam<NumberCase>
{
};

TEST_P(NumberTexts, AreShortAndReadBackExactly)
{
    const QString text = Prm::detail::formatNumber(GetParam().value);
    EXPECT_EQ(text, GetParam().text);
    EXPECT_EQ(text.toDouble(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Numbers, NumberTexts,
                         ::testing::Values(NumberCase{10, "10"}, NumberCase{12.5, "12.5"}, NumberCase{0.1, "0.1"},
                                           NumberCase{1234.5678, "1234.5678"}, NumberCase{2e6, "2e+06"},
                                           NumberCase{-4.25, "-4.25"}, NumberCase{1.0 / 3.0, "0.3333333333333333"}));

TEST(ViewLists, SkipWhatIsNotAViewId)
{
    EXPECT_EQ(Prm::detail::parseViewList("views=[0, 1]"), (std::vector<View>{View(0), View(1)}));
    EXPECT_EQ(Prm::detail::parseViewList("views=[3]"), std::vector<View>{View(3)});
    EXPECT_EQ(Prm::detail::parseViewList("views=[]"), std::vector<View>{});
    EXPECT_EQ(Prm::detail::parseViewList("views=[2, x, -1, 5000, ,4]"), (std::vector<View>{View(2), View(4)}));
    EXPECT_EQ(Prm::detail::parseViewList("views=0, 1"), std::vector<View>{});
}

struct DeclarationCase
{
    const char* text;
    bool parses;
    const char* time;
    const char* value;
    Prm::IType itype;
};

class KeyframeDeclarations : public ::testing::TestWithParam<DeclarationCase>
{
};

TEST_P(KeyframeDeclarations, SplitIntoTimeValueAndSegment)
{
    const DeclarationCase& c = GetParam();
    QString time = "unchanged";
    QString value = "unchanged";
    Prm::IType itype{Prm::Interpolation(7), {7, 7, 7, 7}};
    EXPECT_EQ(Prm::detail::parseKeyframeDeclaration(c.text, time, value, itype), c.parses);
    if (c.parses) {
        EXPECT_EQ(time, c.time);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(itype, c.itype);
    } else {
        EXPECT_EQ(time, "unchanged");
        EXPECT_EQ(itype.interpolation, Prm::Interpolation(7));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, KeyframeDeclarations,
    ::testing::Values(
        DeclarationCase{"keyframes.append( Key( 10, 5, constant ) )", true, "10", "5", {Prm::InterpolationConstant, {}}},
        DeclarationCase{"keyframes.append( BezierKey( 12.5, 4, 0.25, 1, 0.5, 2 ) )", true, "12.5", "4",
                        {Prm::InterpolationBezier, {0.25, 1, 0.5, 2}}},
        DeclarationCase{"  KEYFRAMES . append(key(1,a%20b,Smooth))  ", true, "1", "a%20b", {Prm::InterpolationSmooth, {}}},
        DeclarationCase{"keyframes.append( Key( 1, , linear ) )", true, "1", "", {Prm::InterpolationLinear, {}}},
        DeclarationCase{"keyframes.append( Key( 1, 2, 9 ) )", true, "1", "2", {Prm::Interpolation(9), {}}},
        DeclarationCase{"keyframes.append( Key( 1, 2 ) )", false, "", "", {}},
        DeclarationCase{"keyframes.append( Key( 1, 2, curly ) )", false, "", "", {}},
        DeclarationCase{"keyframes.append( BezierKey( 1, 2, 3, 4, 5 ) )", false, "", "", {}},
        DeclarationCase{"keyframes.append( BezierKey( 1, 2, 3, 4, 5, inf ) )", false, "", "", {}},
        DeclarationCase{"keyframes.append( Key( 1, 2, linear ) ) x", false, "", "", {}},
        DeclarationCase{"keyframes.append( Key( 1, 2, linear )", false, "", "", {}},
        DeclarationCase{"keyframes.append Key( 1, 2, linear ) )", false, "", "", {}},
        DeclarationCase{"value=3", false, "", "", {}}));

TEST(SourceViews, AreTheViewItselfOrAllViews)
{
    const std::vector<View> views{View(0), View(2)};
    Prm::MVInterpolationParams params;
    EXPECT_EQ(Prm::detail::interpolationSourceViews(params, View(2), views), std::vector<View>{View(2)});
    EXPECT_EQ(Prm::detail::interpolationSourceViews(params, View(1), views), std::vector<View>{});
    params.sources = Prm::MVInterpolationParams::Sources::AllViews;
    EXPECT_EQ(Prm::detail::interpolationSourceViews(params, View(1), views), views);
}

TEST(AnimationState, AsksItsViewSourceForTheViewsToKey)
{
    EXPECT_TRUE(Prm::AnimationState().viewsToKey().empty());
    EXPECT_EQ(Prm::AnimationState::forViews({View(1), View(0)}).viewsToKey(), (std::vector<View>{View(1), View(0)}));
}

struct EaseCase
{
    const char* name;
    Prm::IType segment;
    double s;
    double fraction;
};

class EasedFractions : public ::testing::TestWithParam<EaseCase>
{
};

TEST_P(EasedFractions, FollowTheSegmentShape)
{
    EXPECT_NEAR(Prm::easedFraction(GetParam().segment, GetParam().s), GetParam().fraction, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, EasedFractions,
    ::testing::Values(EaseCase{"ConstantHolds", {Prm::InterpolationConstant, {}}, 0.9, 0},
                      EaseCase{"Linear", {Prm::InterpolationLinear, {}}, 0.3, 0.3},
                      EaseCase{"Smooth", {Prm::InterpolationSmooth, {}}, 0.5, 0.5},
                      EaseCase{"LinearHandles", {Prm::InterpolationBezier, Prm::LINEAR_BEZIER_HANDLES}, 0.3, 0.3},
                      EaseCase{"Overshoot", {Prm::InterpolationBezier, {0, 2, 1, 2}}, 0.5, 1.625},
                      EaseCase{"ClampedBelow", {Prm::InterpolationLinear, {}}, -1, 0},
                      EaseCase{"ClampedAbove", {Prm::InterpolationSmooth, {}}, 2, 1},
                      EaseCase{"NotANumber", {Prm::InterpolationLinear, {}}, std::nan(""), 0}),
    [](const ::testing::TestParamInfo<EaseCase>& info) { return info.param.name; });

} // namespace
