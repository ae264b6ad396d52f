// Undoable edits and whole-state copies of parameters: every edit undoes to
// exactly the state before it and redoes to exactly the state after it.
#include "ParameterTestSupport.h"

#include <Bsc/Command.h>
#include <Prm/ParameterSet.h>

#include <boost/make_shared.hpp>

#include <functional>
#include <memory>

namespace {

using namespace testing_support;
using Prm::ParameterChange;
using Prm::View;
using UIntParameter = Prm::Parameter<unsigned int>;

// Keys at 10, 12.5 (between frames), 20 and 30 in view 0, each with its
// own interpolation record.
void keyUp(UIntParameter& parameter)
{
    parameter.setValue(3, View(0));
    const std::vector<std::pair<double, Prm::IType>> keys{
        {10, {Prm::InterpolationBezier, {1, 2, 3, 4}}},
        {12.5, {Prm::InterpolationLinear, {}}},
        {20, {Prm::InterpolationSmooth, {0.5, 0, 0, 0}}},
        {30, {Prm::InterpolationConstant, {9, 9, 9, 9}}},
    };
    unsigned int value = 5;
    for (const auto& key : keys)
        parameter.vSetValue(value++, at(key.first));
    unsigned int index = 0;
    for (const auto& key : keys)
        parameter.vSetInterpolationData(key.second, index++, View(0));
}

struct EditCase
{
    const char* name;
    std::function<void(UIntParameter&, Bsc::CompositeCommand&)> make;
    std::function<bool(const UIntParameter&)> done;
};

class UndoRedo : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(UndoRedo, ReturnsExactlyToTheStatesBeforeAndAfter)
{
    const EditCase& c = GetParam();
    UIntParameter parameter;
    keyUp(parameter);
    Bsc::CompositeCommand command;
    c.make(parameter, command);
    ASSERT_EQ(command.size(), 1);

    const QString before = describe(parameter);
    command.doIt();
    const QString after = describe(parameter);
    EXPECT_TRUE(c.done(parameter)) << after.toStdString();

    command.undoIt();
    EXPECT_EQ(describe(parameter), before);
    command.doIt();
    EXPECT_EQ(describe(parameter), after);
    command.undoIt();
    EXPECT_EQ(describe(parameter), before);
}

using P = UIntParameter;
using Cmd = Bsc::CompositeCommand;
INSTANTIATE_TEST_SUITE_P(
    Edits, UndoRedo,
    ::testing::Values(
        EditCase{"Interpolation",
                 [](P& p, Cmd& c) { p.vSetInterpolationCommand(Prm::InterpolationSmooth, at(10), c); },
                 [](const P& p) { return p.interpolation(at(10)) == Prm::InterpolationSmooth; }},
        EditCase{"InterpolationData",
                 [](P& p, Cmd& c) {
                     p.vSetInterpolationDataCommand(c, {Prm::InterpolationBezier, {0.1, 0.2, 0.3, 0.4}},
                                                    Prm::KeyframeIndex(nullptr, View(0), 2));
                 },
                 [](const P& p) { return p.keyframe(2, View(0)).itype.data[3] == 0.4; }},
        EditCase{"ExtrapolationBefore",
                 [](P& p, Cmd& c) { p.vSetExtrapolationBeforeCommand(Prm::ExtrapolationLinear, c); },
                 [](const P& p) { return p.extrapolationBefore() == Prm::ExtrapolationLinear; }},
        EditCase{"ExtrapolationAfter",
                 [](P& p, Cmd& c) { p.vSetExtrapolationAfterCommand(Prm::ExtrapolationLinear, c); },
                 [](const P& p) { return p.extrapolationAfter() == Prm::ExtrapolationLinear; }},
        EditCase{"AddKey", [](P& p, Cmd& c) { p.vAddKeyframeCommand(exactlyAt(15), c); },
                 [](const P& p) { return p.keyframeCount(View(0)) == 5 && p.keyframeValue(2, View(0)) == 6; }},
        EditCase{"AddKeyAfterTheLast", [](P& p, Cmd& c) { p.vAddKeyframeCommand(exactlyAt(40), c); },
                 [](const P& p) { return p.keyframeCount(View(0)) == 5; }},
        EditCase{"AddKeyWhereOneIs", [](P& p, Cmd& c) { p.vAddKeyframeCommand(exactlyAt(20.7), c); },
                 [](const P& p) { return p.keyframeCount(View(0)) == 4; }},
        EditCase{"DeleteKey", [](P& p, Cmd& c) { p.createKeyframeDeletion(exactlyAt(20), c); },
                 [](const P& p) { return p.keyframeCount(View(0)) == 3; }},
        // Re-adding a last keyframe reshapes the one before; undo restores both.
        EditCase{"DeleteLastKey",
                 [](P& p, Cmd& c) {
                     p.createKeyframeDeletion(Prm::Frame::fromUInt(30), Prm::AnimationState::forViews({View(0)}), c);
                 },
                 [](const P& p) { return p.keyframeCount(View(0)) == 3; }},
        // Every key goes, also the one between frames.
        EditCase{"DeleteAllKeys", [](P& p, Cmd& c) { p.vDeleteAllKeyframesCommand(View(0), c); },
                 [](const P& p) { return p.keyframeCount(View(0)) == 0 && p.value(View(0)) == 8; }}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; });

TEST(KeyEdits, AddingKeysOnlyWhereMissingAndRedoingWithoutCheckingAgain)
{
    UIntParameter parameter;
    parameter.setSplittable(true);
    parameter.setValue(1, View(0));
    parameter.vSetValue(9, at(15, 1));
    Bsc::CompositeCommand command;
    parameter.vAddKeyframeCommand(Prm::Frame::fromUInt(15), Prm::AnimationState::forViews({View(0), View(1)}), command);

    command.doIt();
    EXPECT_EQ(parameter.keyframeCount(View(0)), 1u);
    EXPECT_EQ(parameter.keyframeCount(View(1)), 1u);
    command.undoIt();
    EXPECT_EQ(parameter.keyframeCount(View(0)), 0u);
    EXPECT_EQ(parameter.keyframeValue(0, View(1)), 9u);

    parameter.vSetValue(4, at(15, 1));
    command.doIt();
    EXPECT_EQ(parameter.keyframeCount(View(0)), 1u);
    EXPECT_EQ(parameter.keyframeValue(0, View(1)), 4u);
}

TEST(KeyEdits, AParameterWithAMasterGetsNoKeysAndUndoLeavesOthersKeys)
{
    UIntParameter master;
    UIntParameter parameter;
    parameter.setMasterParameter(&master);
    Bsc::CompositeCommand command;
    parameter.vAddKeyframeCommand(exactlyAt(15), command);

    command.doIt();
    EXPECT_EQ(parameter.keyframeCount(View(0)), 0u);
    parameter.vSetValue(2, at(15));
    command.undoIt();
    EXPECT_EQ(parameter.keyframeCount(View(0)), 1u);
}

TEST(KeyEdits, UndoingADeletionPutsTheKeyBackWithItsAnnouncementsInOrder)
{
    UIntParameter parameter;
    keyUp(parameter);
    Prm::ParameterChangeRecorder log(parameter);
    Bsc::CompositeCommand command;
    parameter.createKeyframeDeletion(exactlyAt(20), command);

    command.doIt();
    EXPECT_EQ(recorded(log), std::vector<ParameterChange>{removed(parameter, 2, 20)});
    log.clear();
    command.undoIt();
    EXPECT_EQ(recorded(log), (std::vector<ParameterChange>{
                                 change(ParameterChange::KeyframeAdded, parameter, 0, 2),
                                 change(ParameterChange::KeyframeChangedValue, parameter, 0, 2),
                                 change(ParameterChange::KeyframeChangedInterpolation, parameter, 0, 2)}));
    EXPECT_EQ(parameter.keyframe(2, View(0)).itype, (Prm::IType{Prm::InterpolationSmooth, {0.5, 0, 0, 0}}));
}

TEST(KeyEdits, DeletingAllKeysOfAParameterThatIsNotKeyframedDoesNothing)
{
    UIntParameter parameter;
    keyUp(parameter);
    parameter.setKeyframed(false);
    Bsc::CompositeCommand command;
    parameter.vDeleteAllKeyframesCommand(View(0), command);
    command.doIt();
    parameter.setKeyframed(true);
    EXPECT_EQ(parameter.keyframeCount(View(0)), 4u);
}

TEST(KeyEdits, DroppingAllKeysAnnouncesOnlyWhenThereWereSome)
{
    UIntParameter parameter;
    Prm::ParameterChangeRecorder log(parameter);
    parameter.vDeleteAllKeyframes(View(0));
    EXPECT_TRUE(recorded(log).empty());

    keyUp(parameter);
    log.clear();
    parameter.vDeleteAllKeyframes(View(0));
    EXPECT_EQ(parameter.keyframeCount(View(0)), 0u);
    EXPECT_EQ(recorded(log),
              std::vector<ParameterChange>{ParameterChange(ParameterChange::AllKeyframesRemoved, &parameter, 0u)});
    EXPECT_EQ(ParameterChange::AllKeyframesRemoved, 9);
}

TEST(Memento, ImportReturnsToTheSnapshotAndAnnouncesOnce)
{
    UIntParameter parameter;
    parameter.setScriptName("clip");
    parameter.setValue(3, View(0));
    const QString before = describe(parameter);
    const boost::shared_ptr<Bsc::MementoBase> snapshot = parameter.exportState();

    parameter.setSplittable(true);
    keyUp(parameter);
    parameter.setValue(4, View(2));
    parameter.vSetExtrapolationAfter(Prm::ExtrapolationLinear);
    parameter.vSetDefaultInterpolation(Prm::InterpolationSmooth);
    parameter.hide(true);
    parameter.setScriptName("renamed");

    Prm::ParameterChangeRecorder log(parameter);
    parameter.importState(snapshot);
    EXPECT_EQ(describe(parameter), before);
    EXPECT_EQ(parameter.scriptName(), "clip");
    EXPECT_EQ(recorded(log), std::vector<ParameterChange>{change(ParameterChange::ParameterAssigned, parameter, -1)});

    Prm::Parameter<double> other;
    EXPECT_THROW(parameter.doImportState(other.exportState()), std::bad_cast);
    EXPECT_THROW(parameter.doImportState(nullptr), std::bad_cast);
    EXPECT_EQ(describe(parameter), before);
}

TEST(Assignment, TakesEverythingFromTheSameTypeAndOnlyNamesFromOthers)
{
    UIntParameter source;
    keyUp(source);
    source.setScriptName("source");
    source.vSetDefaultInterpolation(Prm::InterpolationSmooth);

    UIntParameter target;
    Prm::ParameterChangeRecorder log(target);
    target.assignFrom(source);
    EXPECT_EQ(describe(target), describe(source));
    EXPECT_EQ(target.scriptName(), "source");
    EXPECT_EQ(log.changes().size(), 1);

    UIntParameter keyData;
    keyData.vCopyKeyframeDataFrom(&source);
    EXPECT_EQ(keyData.keyframeCount(View(0)), 4u);
    EXPECT_EQ(keyData.defaultInterpolation(), Prm::InterpolationConstant);
    EXPECT_EQ(keyData.scriptName(), "");

    Prm::Parameter<double> otherType;
    otherType.setScriptName("other");
    log.clear();
    target.assignFrom(otherType);
    target.vCopyKeyframeDataFrom(&otherType);
    EXPECT_EQ(target.scriptName(), "other");
    EXPECT_EQ(target.keyframeCount(View(0)), 4u);
    EXPECT_TRUE(recorded(log).empty());
}

TEST(ConstraintEdits, UndoReleasesTheSlaveWithItsOwnKeyframes)
{
    UIntParameter master;
    master.setValue(50, View(0));
    UIntParameter slave;
    keyUp(slave);
    const QString slaveBefore = describe(slave);

    Bsc::CompositeCommand command;
    EXPECT_TRUE(master.bAddConstrainedParameterCommand(&slave, command));
    command.doIt();
    EXPECT_EQ(slave.masterParameter(), &master);
    EXPECT_EQ(slave.value(at(10)), 50u);
    slave.vDeleteAllKeyframes(View(0));

    command.undoIt();
    EXPECT_EQ(slave.masterParameter(), nullptr);
    EXPECT_EQ(describe(slave), slaveBefore);
}

TEST(ConstraintEdits, AConstraintThatFailedIsNotUndone)
{
    UIntParameter master;
    Prm::Parameter<double> otherType;
    Bsc::CompositeCommand command;
    EXPECT_FALSE(master.bAddConstrainedParameterCommand(&otherType, command));
    EXPECT_EQ(command.size(), 1);
    command.doIt();
    EXPECT_EQ(otherType.masterParameter(), nullptr);

    // A slave that follows already is left following on undo.
    UIntParameter slave;
    slave.setMasterParameter(&master);
    Bsc::CompositeCommand self;
    slave.bAddConstrainedParameterCommand(&slave, self);
    self.doIt();
    self.undoIt();
    EXPECT_EQ(slave.masterParameter(), &master);
}

TEST(ConstraintEdits, UnconstrainingIsUndoable)
{
    UIntParameter master;
    UIntParameter slave;
    master.bAddConstrainedParameter(&slave);
    Bsc::CompositeCommand command;
    EXPECT_TRUE(master.bRemoveConstrainedParameterCommand(&slave, command));
    EXPECT_FALSE(slave.bRemoveConstrainedParameterCommand(&master, command));
    command.doIt();
    EXPECT_EQ(slave.masterParameter(), nullptr);
    command.undoIt();
    EXPECT_EQ(slave.masterParameter(), &master);
}

// Every kind of edit, made on a parameter that is then destroyed while the
// edit still waits in an undo history.
class OrphanedEdits : public ::testing::TestWithParam<EditCase>
{
};

TEST_P(OrphanedEdits, DoNothingOnceTheirParameterIsGone)
{
    auto parameter = std::make_unique<UIntParameter>();
    keyUp(*parameter);
    Bsc::CompositeCommand command;
    GetParam().make(*parameter, command);
    command.doIt();
    parameter.reset();
    // A parameter made now may take the freed memory; the orphans must not
    // touch it.
    UIntParameter bystander;
    keyUp(bystander);
    command.undoIt();
    command.doIt();
    command.undoIt();
    EXPECT_EQ(bystander.keyframeCount(View(0)), 4u);
    EXPECT_EQ(bystander.value(at(10)), 5u);
    EXPECT_EQ(bystander.value(at(30)), 8u);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, OrphanedEdits,
    ::testing::Values(
        EditCase{"Interpolation", [](P& p, Cmd& c) { p.vSetInterpolationCommand(Prm::InterpolationSmooth, at(10), c); }, {}},
        EditCase{"InterpolationData",
                 [](P& p, Cmd& c) { p.vSetInterpolationDataCommand(c, {}, Prm::KeyframeIndex(nullptr, View(0), 0)); }, {}},
        EditCase{"Extrapolation", [](P& p, Cmd& c) { p.vSetExtrapolationAfterCommand(Prm::ExtrapolationLinear, c); }, {}},
        EditCase{"AddKey", [](P& p, Cmd& c) { p.vAddKeyframeCommand(exactlyAt(15), c); }, {}},
        EditCase{"DeleteKey", [](P& p, Cmd& c) { p.createKeyframeDeletion(exactlyAt(20), c); }, {}},
        EditCase{"DeleteAllKeys", [](P& p, Cmd& c) { p.vDeleteAllKeyframesCommand(View(0), c); }, {}},
        EditCase{"StaticValue", [](P& p, Cmd& c) { c.push_back(new Prm::ParameterStaticValueEdit<unsigned int>(&p, 4, View(0))); }, {}}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return info.param.name; });

TEST(ConstraintEdits, ADestroyedSlaveIsLeftAlone)
{
    UIntParameter master;
    auto slave = std::make_unique<UIntParameter>();
    Bsc::CompositeCommand command;
    master.bAddConstrainedParameterCommand(slave.get(), command);
    command.doIt();
    slave.reset();
    command.undoIt();
    command.doIt();
    // The master follows nothing and keeps its own value.
    master.setValue(9, View(0));
    EXPECT_EQ(master.masterParameter(), nullptr);
    EXPECT_EQ(master.value(View(0)), 9u);
}

// An owner of parameters that undo rebuilds as a new object under the same
// id (as layers and points are): its finder finds whichever object holds
// the id now. One parameter is its own, one is in a subset.
struct RebuiltOwner : Prm::ParameterSet
{
    explicit RebuiltOwner(boost::shared_ptr<RebuiltOwner>& current) : m_current(current)
    {
        own.setScriptName("own");
        addParameter(&own);
        inner.setScriptName("inner");
        (new Prm::ParameterSet("subset", this))->addParameter(&inner);
    }

    Finder finder() const override
    {
        boost::shared_ptr<RebuiltOwner>& current = m_current;
        return [&current] { return boost::shared_ptr<Prm::ParameterSet>(current); };
    }

    UIntParameter own;
    UIntParameter inner;
    boost::shared_ptr<RebuiltOwner>& m_current;
};

TEST(EditAddresses, EditsReachTheParametersOfAnOwnerRebuiltUnderItsId)
{
    boost::shared_ptr<RebuiltOwner> current;
    current = boost::make_shared<RebuiltOwner>(current);
    keyUp(current->own);
    current->inner.setValue(3, View(0));
    Bsc::CompositeCommand command;
    current->own.createKeyframeDeletion(exactlyAt(20), command);
    command.push_back(new Prm::ParameterStaticValueEdit<unsigned int>(&current->inner, 4, View(0)));
    const QString before = describe(current->own);
    command.doIt();
    const QString after = describe(current->own);
    ASSERT_NE(after, before);

    const auto rebuild = [&current] {
        const auto rebuilt = boost::make_shared<RebuiltOwner>(current);
        rebuilt->own.assignFrom(current->own);
        rebuilt->inner.assignFrom(current->inner);
        current = rebuilt; // the old object and its parameters go
    };
    rebuild();
    command.undoIt();
    EXPECT_EQ(describe(current->own), before);
    EXPECT_EQ(current->inner.value(View(0)), 3u);
    rebuild();
    command.doIt();
    EXPECT_EQ(describe(current->own), after);
    EXPECT_EQ(current->inner.value(View(0)), 4u);

    // Under the name now: a parameter of another class. It is left alone.
    rebuild();
    current->own.setScriptName("renamed");
    Prm::Parameter<double> other;
    other.setScriptName("own");
    current->addParameter(&other);
    other.setValue(1.5, View(0));
    command.undoIt();
    EXPECT_EQ(describe(current->own), after);
    EXPECT_EQ(other.value(View(0)), 1.5);
    EXPECT_EQ(current->inner.value(View(0)), 3u); // the subset's still found
}

TEST(StaticValueEdits, UndoRestoresTheValueCapturedAtTheFirstRun)
{
    Prm::Parameter<bool> linked;
    Prm::Parameter<int> layerId;
    layerId.setValue(7, View(0));
    Prm::ParameterChangeRecorder log(layerId);

    Bsc::CompositeCommand command;
    command.push_back(new Prm::ParameterStaticValueEdit<bool>(&linked, true, View(Prm::View::defaultViewId())));
    command.push_back(new Prm::ParameterStaticValueEdit<int>(&layerId, 12, View(Prm::View::defaultViewId())));
    command.doIt();
    EXPECT_TRUE(linked.value(View(0)));
    EXPECT_EQ(layerId.value(View(0)), 12);
    EXPECT_EQ(recorded(log), std::vector<ParameterChange>{change(ParameterChange::ValueChanged, layerId, 0)});

    command.undoIt();
    EXPECT_FALSE(linked.value(View(0)));
    EXPECT_EQ(layerId.value(View(0)), 7);

    layerId.setValue(30, View(0));
    command.doIt();
    command.undoIt();
    EXPECT_EQ(layerId.value(View(0)), 7);
    EXPECT_EQ(layerId.keyframeCount(View(0)), 0u);
}

} // namespace
