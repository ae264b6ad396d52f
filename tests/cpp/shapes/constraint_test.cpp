// Point constraints: the constraint command, the checks, releasing, undo
// and redo with and without locked tangents.

#include "ShapeTestSupport.h"

#include "Project/wrappers/PointConstraint.h"

#include <Rirediro/Commands/MacroCommand.h>
#include <Rirediro/Commands/VUVI_AddPointConstraintCommand.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/Project/VUVI_FrameManager.h>

#include <Bsc/Command.h>

#include <boost/make_shared.hpp>

#include <stdexcept>

using namespace shapetest;

namespace {

class Constraints : public ShapeProject
{
protected:
    Constraints()
        : master(a.add_xspline_contour(0.0f, {xAt(50, 60), xAt(70, 80)})), slaveContour(square(b)),
          slave(slaveContour.control_point(1))
    {
    }

    void constrain(const XControlPoint& to, bool lockTangents = false, float time = 0.0f)
    {
        Python::setPointConstraint(to.handledObject(), slave.handledObject(), &core(),
                                   Python::contextOf(time, View(0)), lockTangents);
    }
    boost::shared_ptr<Rirediro::ControlPoint> masterOfSlave() const
    {
        return Python::masterPointOf(*slave.handledObject());
    }
    QString neighbourHandles() { return handlesOf(slaveContour.control_point(0)) + " " + handlesOf(slaveContour.control_point(2)); }

    XSplineContour master;
    BezierContour slaveContour;
    BezierControlPoint slave;
};

TEST_F(Constraints, APointFollowsItsMasterAndOneUndoFreesIt)
{
    history().clearJournal();
    constrain(master.control_point(0), false, 2.0f);
    EXPECT_EQ(masterOfSlave(), master.control_point(0).handledObject());
    EXPECT_EQ(positionOf(slave), QPointF(50, 60));
    master.control_point(0).set_point_data(0.0f, xAt(55, 65));
    EXPECT_EQ(positionOf(slave), QPointF(55, 65));
    // The macro runs at the caller's context.
    EXPECT_EQ(history().journal().first(), QStringLiteral("executeAndLog Constrain point at 2 in view 0"));
    undo(); // the master's move
    undo();
    EXPECT_EQ(masterOfSlave(), nullptr);
    EXPECT_EQ(positionOf(slave), QPointF(10, 0));
    redo();
    EXPECT_EQ(masterOfSlave(), master.control_point(0).handledObject());
}

TEST_F(Constraints, UndoGivesBackTheMasterThatWasReplaced)
{
    constrain(master.control_point(0));
    constrain(master.control_point(1));
    undo();
    EXPECT_EQ(masterOfSlave(), master.control_point(0).handledObject());
    undo();
    EXPECT_EQ(masterOfSlave(), nullptr);
}

TEST_F(Constraints, ReleasingIsAlwaysOneStep)
{
    const int steps = history().undoCount();
    Python::setPointConstraint(nullptr, slave.handledObject(), &core(), Python::contextOf(0.0f, View(0)), false);
    EXPECT_EQ(history().undoCount(), steps + 1);
    constrain(master.control_point(0));
    Python::setPointConstraint(nullptr, slave.handledObject(), &core(), Python::contextOf(0.0f, View(0)), false);
    EXPECT_EQ(masterOfSlave(), nullptr);
    undo();
    EXPECT_EQ(masterOfSlave(), master.control_point(0).handledObject());
    // Without a point or a project nothing happens.
    Python::setPointConstraint(master.control_point(0).handledObject(), nullptr, &core(), Python::contextOf(0.0f, View(0)),
                               false);
    Python::setPointConstraint(master.control_point(0).handledObject(), slave.handledObject(), nullptr,
                               Python::contextOf(0.0f, View(0)), false);
    EXPECT_EQ(history().undoCount(), steps + 2);
}

TEST_F(Constraints, CyclesAreCheckedBeforeTheLayer)
{
    struct Case
    {
        const char* name;
        std::function<void()> call;
        int line;
        const char* message;
        int stepsOfItsOwn; // what the case did before the refused call
    };
    const Case cases[] = {
        {"itself", [this] { constrain(XControlPoint(slave.handledObject(), slave.projectManager())); },
         167, "No cyclic constraints are allowed", 0},
        {"same layer", [this] { constrain(XControlPoint(slaveContour.control_point(0).handledObject(), {})); },
         170, "Master point must be on another layer", 0},
        {"a master that follows the point",
         [this] {
             XControlPoint leader = master.control_point(0);
             Python::setPointConstraint(slave.handledObject(), leader.handledObject(), &core(),
                                        Python::contextOf(0.0f, View(0)), false);
             constrain(leader);
         },
         167, "No cyclic constraints are allowed", 1},
    };
    for (const Case& c : cases) {
        const int steps = history().undoCount();
        const auto before = masterOfSlave();
        expectFailure<VUVI_AssertionFailed>([&] { c.call(); }, QString::fromUtf8(c.message));
        const VUVI_ErrorDetector::Failure failure = VUVI_ErrorDetector::instance()->lastFailure();
        EXPECT_EQ(failure.line, c.line) << c.name;
        EXPECT_EQ(failure.sourceFile, QStringLiteral("../Project/wrappers/BezierControlPoint")) << c.name;
        EXPECT_EQ(masterOfSlave(), before) << c.name;
        EXPECT_EQ(history().undoCount(), steps + c.stepsOfItsOwn) << c.name; // the refusal made none
    }
}

TEST_F(Constraints, LockedTangentsGoAndComeBackWithTheConstraint)
{
    const QString before = neighbourHandles();
    // Without the lock the core re-smooths the neighbours.
    constrain(master.control_point(0));
    EXPECT_NE(neighbourHandles(), before);
    undo();
    EXPECT_EQ(neighbourHandles(), before);

    constrain(master.control_point(0), true);
    EXPECT_EQ(masterOfSlave(), master.control_point(0).handledObject());
    EXPECT_EQ(neighbourHandles(), before);
    const int steps = history().undoCount();
    undo();
    EXPECT_EQ(history().undoCount(), steps - 1);
    EXPECT_EQ(masterOfSlave(), nullptr);
    EXPECT_EQ(neighbourHandles(), before);
    redo();
    EXPECT_EQ(masterOfSlave(), master.control_point(0).handledObject());
    EXPECT_EQ(neighbourHandles(), before);
}

TEST_F(Constraints, TheCommandStoresTheProjectFrameAndFindsItsPointsByAddress)
{
    VUVI_ErrorDetector::instance()->clearLastFailure();
    expectFailure<VUVI_AssertionFailed>(
        [&] {
            VUVI_AddPointConstraintCommand(nullptr, Prm::Context(), *master.control_point(0).handledObject(),
                                           *slave.handledObject());
        },
        QStringLiteral("Unexpected NULL Pointer:pm"));
    const VUVI_ErrorDetector::Failure failure = VUVI_ErrorDetector::instance()->lastFailure();
    EXPECT_EQ(failure.checkNumber, 2);
    EXPECT_EQ(failure.line, 29);
    EXPECT_EQ(failure.conditionText, QStringLiteral("pm != __null"));

    // The slave follows another master when the command is made.
    XSplineContour other = a.add_xspline_contour(0.0f, {xAt(20, 30)});
    constrain(other.control_point(0));
    core().frameManager().setCurrentFrame(Prm::Context(Prm::Time::fromDouble(3.0), Prm::View(0), 3));
    VUVI_AddPointConstraintCommand command(&core(), core().currentFrame(), *master.control_point(0).handledObject(),
                                           *slave.handledObject());
    EXPECT_EQ(command.name(), QStringLiteral("Attach Points"));
    EXPECT_EQ(command.context().time.toDouble(), 3.0);
    // Its master gone, the command does nothing either way: the slave keeps
    // following the master it had.
    master.remove();
    for (const auto& run : {&VUVI_AddPointConstraintCommand::doIt, &VUVI_AddPointConstraintCommand::undoIt}) {
        (command.*run)();
        EXPECT_EQ(masterOfSlave(), other.control_point(0).handledObject());
        EXPECT_EQ(positionOf(slave), QPointF(20, 30));
    }
}

TEST_F(Constraints, RemovingAMasterAndUndoingPutsTheConstraintBack)
{
    constrain(master.control_point(0));
    master.remove();
    EXPECT_EQ(masterOfSlave(), nullptr);
    EXPECT_EQ(positionOf(slave), QPointF(10, 0));
    undo();
    EXPECT_EQ(masterOfSlave(), a.getAllContours().front()->points().front());
    EXPECT_EQ(positionOf(slave), QPointF(50, 60));
    a.remove();
    EXPECT_EQ(masterOfSlave(), nullptr);
    undo();
    EXPECT_NE(masterOfSlave(), nullptr);
}

} // namespace

namespace {

// A step that fails when it runs.
class Failing : public Bsc::Command
{
public:
    void doIt() override { throw std::runtime_error("no room"); }
    void undoIt() override {}
};

TEST_F(Constraints, AMacroThatFailsLeavesNoConstraintInForce)
{
    const int steps = history().undoCount();
    auto macro = boost::make_shared<Rirediro::MacroCommand>(QStringLiteral("Constrain point"));
    macro->append(boost::make_shared<VUVI_AddPointConstraintCommand>(
        &core(), core().currentFrame(), *master.control_point(0).handledObject(), *slave.handledObject()));
    macro->append(boost::make_shared<Failing>());
    EXPECT_THROW(history().executeAndLog(macro, core().currentFrame(), true, true), std::runtime_error);
    EXPECT_EQ(masterOfSlave(), nullptr);
    EXPECT_EQ(history().undoCount(), steps);
}

} // namespace
