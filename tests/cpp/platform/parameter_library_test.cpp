// The parameter library's stand-ins around parameters: sets, masters,
// observers, blocked announcements and permits.
#include "Prm/Parameter.h"

#include <Prm/ParameterSet.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

using Prm::ParameterChange;
using Prm::View;
using IntParameter = Prm::Parameter<int>;

std::unique_ptr<IntParameter> named(const QString& scriptName, Prm::ParameterSet* set)
{
    auto parameter = std::make_unique<IntParameter>();
    parameter->setScriptName(scriptName);
    if (set)
        set->addParameter(parameter.get());
    return parameter;
}

TEST(ParameterSet, FindsDirectSubsetsAndParametersByScriptName)
{
    Prm::ParameterSet root("root");
    auto* shape = new Prm::ParameterSet("shape", &root);
    auto* motion = new Prm::ParameterSet("motion", shape);
    auto opacity = named("opacity", &root);
    auto x = named("x", motion);

    EXPECT_EQ(root.subsetWithName("shape"), shape);
    EXPECT_EQ(root.subsetWithName("motion"), nullptr);
    EXPECT_EQ(shape->subsetWithName("motion"), motion);
    EXPECT_EQ(root.parameterWithName("opacity"), opacity.get());
    EXPECT_EQ(root.parameterWithName("x"), nullptr);
    EXPECT_EQ(motion->parameterWithName("x"), x.get());
    EXPECT_EQ(x->parameterSet(), motion);

    x->setScriptName("positionX");
    EXPECT_EQ(motion->parameterWithName("x"), nullptr);
    EXPECT_EQ(motion->parameterWithName("positionX"), x.get());
}

TEST(ParameterSet, VisitsEverythingBelowWhenRecursiveAndNothingExtraOtherwise)
{
    Prm::ParameterSet root("root");
    auto* child = new Prm::ParameterSet("child", &root);
    auto a = named("a", &root);
    auto b = named("b", child);
    auto c = named("c", &root);

    QStringList visited;
    root.forEachParameter([&](Prm::ParameterWithoutType* p) { visited << p->scriptName(); }, true);
    EXPECT_EQ(visited, (QStringList{"a", "c", "b"}));
    visited.clear();
    root.forEachParameter([&](Prm::ParameterWithoutType* p) { visited << p->scriptName(); }, false);
    EXPECT_TRUE(visited.isEmpty());
}

TEST(ParameterSet, MembersThatDieLeaveTheSet)
{
    auto root = std::make_unique<Prm::ParameterSet>("root");
    auto* child = new Prm::ParameterSet("child", root.get());
    auto kept = named("kept", root.get());
    {
        auto gone = named("gone", root.get());
        EXPECT_EQ(root->parameters().size(), 2);
    }
    EXPECT_EQ(root->parameters(), QVector<Prm::ParameterWithoutType*>{kept.get()});
    delete child;
    EXPECT_TRUE(root->subsets().isEmpty());

    root.reset();
    EXPECT_EQ(kept->parameterSet(), nullptr);
}

// A set that shows sets owned elsewhere, as a project shows its clips.
class ShowingSet : public Prm::ParameterSet
{
public:
    using Prm::ParameterSet::ParameterSet;
    QVector<Prm::ParameterSet*> shown;

protected:
    QVector<Prm::ParameterSet*> shownSubsets() const override { return shown; }
};

TEST(ParameterSet, ShownSetsFollowItsOwnSubsetsAndStayWithTheirOwners)
{
    Prm::ParameterSet clip("clip");
    auto mode = named("mode", &clip);
    auto showing = std::make_unique<ShowingSet>("project");
    auto* own = new Prm::ParameterSet("own", showing.get());
    auto a = named("a", own);
    showing->shown = {&clip};

    EXPECT_EQ(showing->subsets(), (QVector<Prm::ParameterSet*>{own, &clip}));
    EXPECT_EQ(showing->subsetWithName("clip"), &clip);
    QStringList visited;
    showing->forEachParameter([&](Prm::ParameterWithoutType* p) { visited << p->scriptName(); }, true);
    EXPECT_EQ(visited, (QStringList{"a", "mode"}));

    // Asked anew at every use; the shown set is not the showing set's to delete.
    showing->shown.clear();
    EXPECT_EQ(showing->subsetWithName("clip"), nullptr);
    showing->shown = {&clip};
    showing.reset();
    EXPECT_EQ(clip.parameterWithName("mode"), mode.get());
}

TEST(MasterParameter, IsForgottenWhenTheMasterDies)
{
    IntParameter slave;
    {
        IntParameter master;
        master.setNamePrefix("layer1");
        master.setScriptName("opacity");
        EXPECT_EQ(master.extendedName(), "layer1.opacity");
        EXPECT_TRUE(master.bAddConstrainedParameter(&slave));
        EXPECT_EQ(slave.masterParameter(), &master);
    }
    EXPECT_EQ(slave.masterParameter(), nullptr);
    EXPECT_FALSE(slave.bUnconstrain());
    EXPECT_EQ(IntParameter().extendedName(), ".");
}

TEST(MasterParameter, ConstrainingRefusesNullSelfAndCycles)
{
    IntParameter a, b, c;
    EXPECT_FALSE(a.bAddConstrainedParameter(nullptr));
    EXPECT_FALSE(a.bAddConstrainedParameter(&a));
    EXPECT_TRUE(a.bAddConstrainedParameter(&b)); // b follows a
    EXPECT_TRUE(b.bAddConstrainedParameter(&c)); // c follows b
    EXPECT_FALSE(c.bAddConstrainedParameter(&a));
    EXPECT_TRUE(c.bUnconstrain());
    EXPECT_EQ(c.masterParameter(), nullptr);
}

class Announcements : public ::testing::Test
{
protected:
    IntParameter parameter;
    Prm::ParameterChangeRecorder log{parameter};
};

TEST_F(Announcements, AreHeldBackWhileSignalsAreBlockedUnlessPermitted)
{
    int signalled = 0;
    QObject::connect(&parameter, &Prm::ParameterWithoutType::changed, [&](int) { ++signalled; });
    parameter.setValue(1, View(0));
    EXPECT_EQ(signalled, 1);

    parameter.blockSignals(true);
    parameter.setValue(2, View(0));
    {
        Prm::ScopedSignalPermit permit(parameter, ParameterChange::ValueChanged);
        Prm::ScopedSignalPermit again(parameter, ParameterChange::ValueChanged);
        parameter.setValue(3, View(0));
    }
    parameter.setValue(4, View(0));
    parameter.blockSignals(false);

    EXPECT_EQ(log.changes().size(), 2);
    EXPECT_EQ(signalled, 1);
}

TEST_F(Announcements, ReachEveryAttachedObserverOnce)
{
    Prm::ParameterChangeRecorder second(parameter);
    parameter.attachObserver(&second);
    parameter.setValue(1, View(0));
    EXPECT_EQ(log.changes().size(), 1);
    EXPECT_EQ(second.changes().size(), 1);

    parameter.detachObserver(&second);
    parameter.setValue(2, View(0));
    EXPECT_EQ(second.changes().size(), 1);
    parameter.detachAllObservers();
    parameter.setValue(3, View(0));
    EXPECT_EQ(log.changes().size(), 2);
}

TEST(ParameterChangeRecorder, OutlivesItsParameter)
{
    auto parameter = std::make_unique<IntParameter>();
    Prm::ParameterChangeRecorder log(*parameter);
    parameter->setValue(1, View(0));
    parameter.reset();
    EXPECT_EQ(log.changes().size(), 1);
}

TEST(ParameterWithoutType, CopiesNamesButNotMembershipOrMaster)
{
    Prm::ParameterSet set("set");
    IntParameter master;
    auto original = named("gain", &set);
    original->setDisplayName("Gain");
    original->setLocked(true);
    original->hide(true);
    original->setMasterParameter(&master);

    IntParameter copy(*original);
    EXPECT_EQ(copy.scriptName(), "gain");
    EXPECT_EQ(copy.displayName(), "Gain");
    EXPECT_TRUE(copy.isLocked());
    EXPECT_TRUE(copy.isHidden());
    EXPECT_EQ(copy.parameterSet(), nullptr);
    EXPECT_EQ(copy.masterParameter(), nullptr);
    EXPECT_EQ(set.parameters().size(), 1);
}

} // namespace
