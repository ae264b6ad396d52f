// The command base and the layer commands the core runs for scripts.

#include "LayerTestSupport.h"

#include "Project/wrappers/XSplineContour.h"

#include <Rirediro/Commands/ChangeColorCommand.h>
#include <Rirediro/Commands/LayerCommands.h>
#include <Rirediro/Commands/VUVI_SelectSelectionCommand.h>
#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Project/VUVI_ToolManager.h>

#include <boost/make_shared.hpp>

#include <climits>

using namespace layertest;

namespace {

// The least a command must say of itself.
class BareCommand : public Rirediro::Command
{
public:
    bool canUndo() const override { return false; }
    QString name() const override { return QStringLiteral("bare"); }
};

std::vector<int> fieldsOf(const Rirediro::Command::ToolState& state)
{
    return {state.tool, state.layerID, state.contourIndex};
}

TEST(CommandBase, AnswersAsItsDefaultsSay)
{
    BareCommand command;
    command.doIt();
    command.undoIt();
    EXPECT_EQ(command.usageLogInfo(), QString());
    EXPECT_TRUE(command.canDo());
    Bsc::UsageLogger::Record record{QStringLiteral("kept"), {}};
    EXPECT_FALSE(command.populateUsageRecord(record));
    EXPECT_EQ(record.action, QStringLiteral("kept"));
    EXPECT_TRUE(record.details.isEmpty());
    EXPECT_FALSE(command.requiresReRender());

    const Prm::Context added = command.frameCommandAdded();
    EXPECT_EQ(added.time.toDouble(), Prm::Time::INVALID_TIME_VALUE);
    EXPECT_EQ(added.view, Prm::View(Prm::View::defaultViewId()));
    EXPECT_EQ(added.mode, 3);
    const Prm::Context frame(Prm::Time::fromDouble(12.5), Prm::View(2), 3);
    command.setFrameCommandAdded(frame);
    EXPECT_EQ(command.frameCommandAdded(), frame);

    EXPECT_EQ(fieldsOf(command.preCommandToolState()), std::vector<int>({0, INT_MAX, -1}));
    EXPECT_EQ(fieldsOf(command.postCommandToolState()), std::vector<int>({0, INT_MAX, -1}));
    command.setPreCommandToolState({4, 5, 6});
    command.setPostCommandToolState({7, 8, 9});
    EXPECT_EQ(fieldsOf(command.preCommandToolState()), std::vector<int>({4, 5, 6}));
    EXPECT_EQ(fieldsOf(command.postCommandToolState()), std::vector<int>({7, 8, 9}));
}

class LayerCommands : public LayerProject
{
};

TEST_F(LayerCommands, TheHistoryTellsACommandTheFrameItRunsAt)
{
    const auto command = boost::make_shared<BareCommand>();
    const Prm::Context frame(Prm::Time::fromDouble(3.0), Prm::View(0), 3);
    history().executeAndLog(command, frame, true, true);
    EXPECT_EQ(command->frameCommandAdded(), frame);
    EXPECT_EQ(history().journal().last(), QStringLiteral("executeAndLog bare at 3 in view 0"));
}

TEST_F(LayerCommands, AColourChangeRunsAndUndoesInTurn)
{
    Layer layer = addLayer(QStringLiteral("A"));
    Rirediro::LayerBase& node = *layer.handledObject();
    const QColor old = node.strokeColor();
    Rirediro::ChangeColorCommand command(node, old, &Rirediro::LayerBase::setStrokeColor);
    EXPECT_FALSE(command.newColour().isValid());
    command.setNewColour(QColor(10, 20, 30));
    EXPECT_TRUE(command.canUndo());
    EXPECT_EQ(command.name(), QStringLiteral("Layer color change"));

    const std::vector<QColor> expected{QColor(10, 20, 30), old, QColor(10, 20, 30), old};
    for (std::size_t step = 0; step < expected.size(); ++step) {
        step % 2 == 0 ? command.doIt() : command.undoIt();
        EXPECT_EQ(node.strokeColor(), expected[step]) << step;
        EXPECT_EQ(node.matteColor(), QColor(Qt::white)) << step;
    }

    // Once its layer is gone for good it does nothing: neither to the node,
    // held here past its removal, nor to a layer made since.
    const boost::shared_ptr<VUVI_Layer> held = layer.handledObject();
    layer.remove();
    history().clear();
    Layer later = addLayer(QStringLiteral("B"));
    const QColor laterColour = later.handledObject()->strokeColor();
    command.doIt();
    EXPECT_EQ(held->strokeColor(), old);
    EXPECT_EQ(later.handledObject()->strokeColor(), laterColour);
    command.undoIt();
    EXPECT_EQ(held->strokeColor(), old);
    EXPECT_EQ(later.handledObject()->strokeColor(), laterColour);
    EXPECT_EQ(project().get_layers(), QVector<Layer>({later}));
}

TEST_F(LayerCommands, SelectingNeedsAProject)
{
    VUVI_ErrorDetector::instance()->clearLastFailure();
    expectFailure<VUVI_AssertionFailed>(
        [] { VUVI_SelectSelectionCommand(nullptr, Prm::Context(), 1, 2); },
        QStringLiteral("Unexpected NULL Pointer:pProjectMgr"));
    const VUVI_ErrorDetector::Failure failure = VUVI_ErrorDetector::instance()->lastFailure();
    EXPECT_EQ(failure.checkNumber, 2);
    EXPECT_EQ(failure.sourceFile, QStringLiteral("Rirediro/CommandManager/VUVI_SelectSelectionCommand"));
    EXPECT_EQ(failure.line, 22);
    EXPECT_EQ(failure.conditionText, QStringLiteral("pProjectMgr != __null"));

    const Prm::Context frame(Prm::Time::fromDouble(4.0), Prm::View(1), 3);
    const VUVI_SelectSelectionCommand command(&core(), frame, 7, 4294967295u);
    EXPECT_EQ(command.context(), frame);
    EXPECT_EQ(command.layerId(), 7u);
    EXPECT_EQ(command.contourId(), 4294967295u);
    EXPECT_TRUE(command.canUndo());
}

// What a host does when it loads a project: select a layer at once, not as
// an undo step; and what it does when it leaves.
TEST_F(LayerCommands, SelectingMakesOneLayerTheSelectionUntilUndone)
{
    Layer a = addLayer(QStringLiteral("A"));
    Layer b = addLayer(QStringLiteral("B"));
    LayerGroup group = addGroup(QStringLiteral("G"));
    VUVI_ToolManager& tools = core().toolManager();
    a.handledObject()->setState(Rirediro::LayerBase::Selected);
    group.handledObject()->setState(Rirediro::LayerBase::Selected);
    const auto states = [&] {
        return std::vector<int>{a.handledObject()->state(), b.handledObject()->state(),
                                group.handledObject()->state()};
    };

    const Prm::Context frame(Prm::Time::fromDouble(2.0), Prm::View(0), 3);
    VUVI_SelectSelectionCommand select(&core(), frame, b.handledObject()->layerID(), 4294967295u);
    select.doIt();
    EXPECT_EQ(states(), std::vector<int>({0, 1, 0}));
    EXPECT_EQ(tools.currentLayer(), b.handledObject());
    select.undoIt();
    EXPECT_EQ(states(), std::vector<int>({1, 0, 1}));
    EXPECT_EQ(tools.currentLayer(), nullptr);
    EXPECT_EQ(tools.journal(), QStringList({QStringLiteral("setCurrentLayer %1 at 2 in view 0").arg(b.handledObject()->id()),
                                            QStringLiteral("setCurrentLayer none at 2 in view 0")}));

    Rirediro::UnselectLayerCommand unselect(&core(), frame, a.handledObject()->layerID(), 4294967295u);
    unselect.doIt();
    EXPECT_EQ(states(), std::vector<int>({0, 0, 1}));
    unselect.undoIt();
    EXPECT_EQ(states(), std::vector<int>({1, 0, 1}));

    core().selectionManager()->vUnSelectAllLayers();
    EXPECT_EQ(states(), std::vector<int>({0, 0, 0}));
    tools.setCurrentLayer(nullptr, Prm::Context(Prm::Time::fromDouble(Prm::Time::INVALID_TIME_VALUE),
                                                Prm::View(Prm::View::defaultViewId()), 3));
    EXPECT_EQ(tools.currentLayer(), nullptr);
}

TEST_F(LayerCommands, SelectingPicksTheNamedContourOrTheWholeLayer)
{
    Layer a = addLayer(QStringLiteral("A"));
    Layer b = addLayer(QStringLiteral("B"));
    const QVector<XControlPointData> triangle{XControlPointData(boost::none, boost::none, 1.0f, 1.0f),
                                              XControlPointData(boost::none, boost::none, 5.0f, 1.0f),
                                              XControlPointData(boost::none, boost::none, 5.0f, 5.0f)};
    // A's two contours, then B's.
    const std::vector<boost::shared_ptr<Rirediro::Contour>> contours{
        a.add_xspline_contour(0.0f, triangle).handledObject(), a.add_xspline_contour(0.0f, triangle).handledObject(),
        b.add_xspline_contour(0.0f, triangle).handledObject()};
    contours[2]->vSelect();
    const auto picks = [&] {
        std::vector<bool> picked;
        for (const auto& contour : contours)
            picked.push_back(contour->isSelected());
        return picked;
    };
    const struct
    {
        const char* name;
        unsigned int contourId;
        std::vector<bool> picked;
    } cases[] = {
        {"the whole layer", VUVI_SelectSelectionCommand::AllContours, {true, true, false}},
        {"A's second contour", contours[1]->id(), {false, true, false}},
        {"a contour of another layer", contours[2]->id(), {false, false, false}},
        {"no such contour", 999999u, {false, false, false}},
    };
    const Prm::Context frame(Prm::Time::fromDouble(0.0), Prm::View(0), 3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        VUVI_SelectSelectionCommand select(&core(), frame, a.handledObject()->layerID(), c.contourId);
        select.doIt();
        EXPECT_EQ(picks(), c.picked);
        select.undoIt();
        EXPECT_EQ(picks(), std::vector<bool>({false, false, true}));
    }
}

TEST_F(LayerCommands, ANewLayerCommandHasItsContextsViewUntilToldOtherwise)
{
    const Prm::Context context(Prm::Time::fromDouble(1.0), Prm::View(3), 3);
    Rirediro::NewLayerCommand command(core(), true, clip().get_id(), context, QStringLiteral("N"));
    EXPECT_EQ(command.views(), std::vector<Prm::View>({Prm::View(3)}));
    EXPECT_EQ(command.layerID(), 0u);
    command.doIt();
    const boost::shared_ptr<VUVI_Layer> layer = core().selectionManager()->findLayer(command.layerID(), true);
    ASSERT_NE(layer, nullptr); // made selected
    EXPECT_EQ(layer->views(), std::vector<Prm::View>({Prm::View(3)}));
    EXPECT_EQ(layer->inPoint(Prm::View(3), false), 1u);
}

} // namespace
