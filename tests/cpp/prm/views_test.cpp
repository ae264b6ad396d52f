// Per-view data of keyframed parameters: which data each view reads after
// writes, deletions, copies and resets, and what is announced.
#include "ParameterTestSupport.h"

#include <map>

namespace {

using namespace testing_support;
using Prm::ParameterChange;
using Prm::View;
using UIntParameter = Prm::Parameter<unsigned int>;

std::vector<View> views(std::initializer_list<int> ids)
{
    std::vector<View> result;
    for (int id : ids)
        result.push_back(View(id));
    return result;
}

class ViewData : public ::testing::Test
{
protected:
    ViewData() { parameter.vSetDefault(100); }

    // Gives each listed view its own static value (id + 10) and clears the log.
    void ownViews(std::initializer_list<int> ids)
    {
        parameter.setSplittable(true);
        for (int id : ids)
            parameter.setValue(unsigned(id + 10), View(id));
        log.clear();
    }

    UIntParameter parameter;
    Prm::ParameterChangeRecorder log{parameter};
};

TEST_F(ViewData, FreshParameterReadsItsDefaultInEveryView)
{
    EXPECT_EQ(parameter.viewList(), views({0}));
    EXPECT_EQ(parameter.numViews(), 1u);
    EXPECT_FALSE(parameter.isSplit());
    for (int view : {-1, 0, 1, 7})
        EXPECT_EQ(parameter.value(View(view)), 100u) << "view " << view;
    EXPECT_FALSE(parameter.hasViewData(View(0)));
    EXPECT_EQ(parameter.displayName(), "Not Set");
}

struct WriteCase
{
    const char* name;
    bool splittable;
    std::vector<std::pair<int, unsigned int>> writes; // view, value
    std::vector<View> viewList;
    bool split;
    std::map<int, unsigned int> reads; // view -> value read
    std::vector<std::pair<ParameterChange::ChangeType, int>> announced;
};

class ViewWrites : public ViewData, public ::testing::WithParamInterface<WriteCase>
{
};

TEST_P(ViewWrites, GiveViewsTheirDataAndAnnounceNewViews)
{
    const WriteCase& c = GetParam();
    parameter.setSplittable(c.splittable);
    for (const auto& [view, value] : c.writes)
        parameter.setValue(value, View(view));

    EXPECT_EQ(parameter.viewList(), c.viewList);
    EXPECT_EQ(parameter.isSplit(), c.split);
    for (const auto& [view, value] : c.reads)
        EXPECT_EQ(parameter.value(View(view)), value) << "view " << view;
    std::vector<ParameterChange> expected;
    for (const auto& [type, view] : c.announced)
        expected.push_back(change(type, parameter, view));
    EXPECT_EQ(recorded(log), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewWrites,
    ::testing::Values(
        // View 0 gets data first, silently; view 1 then shares it.
        WriteCase{"SplittableViewTwo", true, {{2, 7}}, views({0, 2}), true,
                  {{0, 100}, {1, 100}, {2, 7}, {3, 100}, {-1, 100}},
                  {{ParameterChange::ViewAdded, 2}, {ParameterChange::ValueChanged, 2}}},
        WriteCase{"NotSplittableViewTwo", false, {{2, 7}}, views({0}), false,
                  {{0, 7}, {1, 7}, {2, 7}, {9, 7}},
                  {{ParameterChange::ValueChanged, 2}}},
        WriteCase{"ViewZeroThenOne", true, {{0, 4}, {1, 5}}, views({0, 1}), true,
                  {{0, 4}, {1, 5}, {2, 4}},
                  {{ParameterChange::ValueChanged, 0}, {ParameterChange::ViewAdded, 1}, {ParameterChange::ValueChanged, 1}}},
        WriteCase{"NegativeViewWritesViewZero", true, {{-1, 9}}, views({0}), false,
                  {{0, 9}, {3, 9}},
                  {{ParameterChange::ValueChanged, -1}}},
        WriteCase{"SameValueTwice", true, {{3, 8}, {3, 8}}, views({0, 3}), true,
                  {{3, 8}, {2, 100}},
                  {{ParameterChange::ViewAdded, 3}, {ParameterChange::ValueChanged, 3}}}),
    [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

struct DeleteCase
{
    const char* name;
    int deleted;
    bool result;
    std::vector<View> viewList;
    std::map<int, unsigned int> reads;
};

class ViewDeletion : public ViewData, public ::testing::WithParamInterface<DeleteCase>
{
};

TEST_P(ViewDeletion, LeavesEveryViewReadingLiveData)
{
    const DeleteCase& c = GetParam();
    ownViews({0, 1, 3});

    EXPECT_EQ(parameter.deleteView(View(c.deleted)), c.result);
    EXPECT_EQ(parameter.viewList(), c.viewList);
    EXPECT_EQ(parameter.isSplit(), c.viewList.size() >= 2);
    for (const auto& [view, value] : c.reads)
        EXPECT_EQ(parameter.value(View(view)), value) << "view " << view;
    EXPECT_FALSE(c.result && parameter.hasViewData(View(c.deleted)));
    const std::vector<ParameterChange> expected =
        c.result ? std::vector<ParameterChange>{change(ParameterChange::ViewRemoved, parameter, c.deleted)}
                 : std::vector<ParameterChange>{};
    EXPECT_EQ(recorded(log), expected);

    // The deleted view can get data again, and reads it.
    parameter.setValue(99, View(c.deleted));
    EXPECT_EQ(parameter.value(View(c.deleted)), 99u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewDeletion,
    ::testing::Values(
        // View 1's data becomes what views without data share.
        DeleteCase{"FirstView", 0, true, views({1, 3}), {{0, 11}, {1, 11}, {2, 11}, {3, 13}, {4, 11}}},
        DeleteCase{"MiddleView", 1, true, views({0, 3}), {{0, 10}, {1, 10}, {2, 10}, {3, 13}}},
        DeleteCase{"HighestView", 3, true, views({0, 1}), {{0, 10}, {1, 11}, {2, 10}, {3, 10}, {4, 10}}},
        DeleteCase{"ViewWithoutData", 2, false, views({0, 1, 3}), {{2, 10}, {3, 13}}}),
    [](const ::testing::TestParamInfo<DeleteCase>& info) { return info.param.name; });

TEST_F(ViewData, TheLastOwnViewIsNeverDeleted)
{
    ownViews({0, 2});
    EXPECT_TRUE(parameter.deleteView(View(2)));
    EXPECT_FALSE(parameter.deleteView(View(0)));
    EXPECT_EQ(parameter.viewList(), views({0}));
    EXPECT_EQ(parameter.value(View(0)), 10u);
}

TEST_F(ViewData, CopyViewDataCopiesStaticValueAndKeyframesOfTheSameValueType)
{
    ownViews({0, 1});
    parameter.vSetValue(42, at(5, 0));
    log.clear();

    parameter.copyViewData(View(1), View(0), nullptr);
    EXPECT_EQ(parameter.value(View(1)), 10u);
    EXPECT_EQ(parameter.keyframeCount(View(1)), 1u);
    EXPECT_EQ(parameter.keyframeValue(0, View(1)), 42u);
    EXPECT_TRUE(recorded(log).empty());

    UIntParameter other;
    other.setSplittable(true);
    other.setValue(77, View(0));
    parameter.copyViewData(View(2), View(0), &other);
    EXPECT_EQ(parameter.value(View(2)), 77u);
    EXPECT_EQ(recorded(log), std::vector<ParameterChange>{change(ParameterChange::ViewAdded, parameter, 2)});

    Prm::Parameter<double> otherType;
    otherType.setValue(1.5, View(0));
    parameter.copyViewData(View(3), View(0), &otherType);
    EXPECT_FALSE(parameter.hasViewData(View(3)));
}

TEST_F(ViewData, CopyViewDataDoesNothingOnAParameterThatIsNotSplittable)
{
    parameter.setValue(5, View(0));
    parameter.copyViewData(View(1), View(0), nullptr);
    EXPECT_FALSE(parameter.hasViewData(View(1)));
    EXPECT_EQ(parameter.viewList(), views({0}));
}

TEST_F(ViewData, UniquifyViewKeepsKeyframesAndResetsTheStaticValue)
{
    ownViews({0, 1});
    parameter.vSetValue(42, at(5, 1));
    log.clear();

    parameter.uniquifyView(View(1));
    EXPECT_EQ(parameter.value(View(1)), 100u);
    EXPECT_EQ(parameter.keyframeCount(View(1)), 1u);
    EXPECT_EQ(recorded(log), std::vector<ParameterChange>{change(ParameterChange::ValueChanged, parameter, 1)});

    parameter.uniquifyView(View(4));
    EXPECT_TRUE(parameter.hasViewData(View(4)));
    EXPECT_EQ(recorded(log).back(), change(ParameterChange::ViewAdded, parameter, 4));
}

struct HeroCase
{
    const char* name;
    bool switchExists;
    bool switchValue;
    bool viewHasData;
    bool parameterHasData;
    bool acts;
};

class HeroView : public ViewData, public ::testing::WithParamInterface<HeroCase>
{
};

TEST_P(HeroView, GivesASplitViewTheSourceStaticValueOnly)
{
    const HeroCase& c = GetParam();
    Prm::Parameter<bool> splitSwitch;
    splitSwitch.setValue(c.switchValue, View(0));
    if (c.switchExists)
        parameter.setViewSplitSwitch(&splitSwitch);
    parameter.setSplittable(true);
    if (c.parameterHasData) {
        parameter.setValue(30, View(0));
        parameter.vSetValue(31, at(4, 0));
    }
    if (c.viewHasData)
        parameter.setValue(50, View(2));
    log.clear();

    EXPECT_EQ(parameter.initialiseHeroView(View(2), View(0)), c.acts);
    if (c.acts) {
        EXPECT_EQ(parameter.value(View(2)), 30u);
        EXPECT_EQ(parameter.keyframeCount(View(2)), 0u);
        EXPECT_EQ(recorded(log), (std::vector<ParameterChange>{change(ParameterChange::ViewAdded, parameter, 2),
                                                               change(ParameterChange::ValueChanged, parameter, 2)}));
    } else {
        EXPECT_EQ(parameter.hasViewData(View(2)), c.viewHasData);
        EXPECT_TRUE(recorded(log).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HeroView,
                         ::testing::Values(HeroCase{"Acts", true, false, false, true, true},
                                           HeroCase{"SwitchSaysShared", true, true, false, true, false},
                                           HeroCase{"NoSwitch", false, false, false, true, false},
                                           HeroCase{"ViewHasData", true, false, true, true, false},
                                           HeroCase{"ParameterHasNoData", true, false, false, false, false}),
                         [](const ::testing::TestParamInfo<HeroCase>& info) { return info.param.name; });

TEST_F(ViewData, ResetDeletesOnlyAKeyframeExactlyAtTheTime)
{
    parameter.vSetValue(5, at(10));
    log.clear();

    parameter.vReset(at(12));
    EXPECT_EQ(parameter.keyframeCount(View(0)), 1u);
    EXPECT_TRUE(recorded(log).empty());

    parameter.vReset(at(10));
    EXPECT_EQ(parameter.keyframeCount(View(0)), 0u);
    EXPECT_EQ(recorded(log), std::vector<ParameterChange>{removed(parameter, 0, 10)});
}

TEST_F(ViewData, ResetOfAViewWithoutKeyframesRestoresTheDefaultAndAlwaysAnnounces)
{
    parameter.setValue(5, View(0));
    log.clear();
    parameter.vReset(at(3));
    EXPECT_EQ(parameter.value(View(0)), 100u);
    parameter.vReset(at(3));
    EXPECT_EQ(recorded(log), (std::vector<ParameterChange>{change(ParameterChange::ViewReset, parameter, 0),
                                                           change(ParameterChange::ViewReset, parameter, 0)}));
}

TEST_F(ViewData, ExtrapolationIsOneWhenNotKeyframedAndStoredWhenKeyframed)
{
    parameter.vSetExtrapolationBefore(Prm::ExtrapolationLinear);
    parameter.vSetExtrapolationBefore(Prm::ExtrapolationLinear);
    EXPECT_EQ(parameter.extrapolationBefore(), Prm::ExtrapolationLinear);
    EXPECT_EQ(recorded(log), (std::vector<ParameterChange>{
                                 change(ParameterChange::ExtrapolationBeforeChanged, parameter, -1),
                                 change(ParameterChange::ExtrapolationBeforeChanged, parameter, -1)}));

    parameter.setKeyframed(false);
    log.clear();
    parameter.vSetExtrapolationAfter(Prm::ExtrapolationConstant);
    EXPECT_EQ(parameter.extrapolationBefore(), Prm::Extrapolation(1));
    EXPECT_EQ(parameter.extrapolationAfter(), Prm::Extrapolation(1));
    EXPECT_TRUE(recorded(log).empty());

    UIntParameter master;
    master.vSetExtrapolationAfter(Prm::ExtrapolationConstant);
    master.vSetExtrapolationBefore(Prm::ExtrapolationConstant);
    parameter.setMasterParameter(&master);
    EXPECT_EQ(parameter.extrapolationBefore(), Prm::ExtrapolationConstant);
}

TEST_F(ViewData, CopiesAreIndependentAndKeepEverything)
{
    ownViews({0, 2});
    parameter.vSetValue(42, at(5, 2));
    parameter.hide(true);
    parameter.setScriptName("clip");
    parameter.vSetExtrapolationAfter(Prm::ExtrapolationLinear);

    UIntParameter copy(parameter);
    EXPECT_EQ(describe(copy), describe(parameter));
    EXPECT_EQ(copy.scriptName(), "clip");
    EXPECT_EQ(copy.value(View(1)), 10u);

    copy.vSetValue(43, at(5, 2));
    copy.setValue(1, View(0));
    EXPECT_EQ(parameter.keyframeValue(0, View(2)), 42u);
    EXPECT_EQ(parameter.value(View(0)), 10u);
}

} // namespace
