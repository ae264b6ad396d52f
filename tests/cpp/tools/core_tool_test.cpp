// The core's tool classes and the tool manager's extension tools.
#include "layers/LayerTestSupport.h"

#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Project/VUVI_ToolManager.h>
#include <Rirediro/ToolManager/Tool.h>

#include <QObject>

namespace {

using Rirediro::CustomTool;

class ToolManagerTest : public layertest::LayerProject
{
protected:
    VUVI_ToolManager& tools() { return core().toolManager(); }
};

TEST_F(ToolManagerTest, CallsCreatorsOnlyOnRequestAndKeepsTheirTools)
{
    // Creators stay registered for the process: nothing they touch may die with the test.
    static int calls = 0;
    static VUVI_SelectionManager* seen = nullptr;
    const int first = VUVI_ToolManager::toolCreatorCount();
    VUVI_ToolManager::addNewToolCreator([](VUVI_ToolManager* manager, VUVI_SelectionManager* selection) {
        ++calls;
        seen = selection;
        return QPointer<CustomTool>(new CustomTool(manager, selection));
    });
    VUVI_ToolManager::addNewToolCreator(
        [](VUVI_ToolManager*, VUVI_SelectionManager*) { return QPointer<CustomTool>(); });
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(tools().currentTool(), nullptr);

    EXPECT_FALSE(tools().requestTool()); // the newest gives nothing
    ASSERT_TRUE(tools().requestTool(first));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, core().selectionManager().get());
    QPointer<Rirediro::Tool> older = tools().currentTool();
    ASSERT_TRUE(tools().requestTool(first));
    QPointer<Rirediro::Tool> newer = tools().currentTool();
    EXPECT_NE(older, newer);
    EXPECT_FALSE(tools().requestTool(VUVI_ToolManager::toolCreatorCount()));

    tools().destroyCurrentTool();
    EXPECT_TRUE(newer.isNull());
    EXPECT_EQ(tools().currentTool(), older.data());
}

TEST(CoreTool, DefaultsAndState)
{
    VUVI_ErrorDetector::init();
    CustomTool tool(nullptr, nullptr);
    EXPECT_EQ(tool.eGetToolType(), CustomTool::CustomToolType);
    EXPECT_FALSE(tool.receivesAllMouseEvents());
    EXPECT_EQ(tool.requiredRenderModule(), 17);
    EXPECT_FALSE(tool.requiredView().isValid());
    EXPECT_FALSE(tool.constructToolOverlay());

    tool.handleKeyPress(65, Rirediro::InputEvent());
    tool.implementMenuAction(3, Rirediro::InputEvent());
    EXPECT_EQ(tool.currentState().journal(), QStringList({"key 65", "menu 3"}));

    tool.vSetToolState(0);
    EXPECT_ANY_THROW(tool.vSetToolState(1));
    EXPECT_EQ(VUVI_ErrorDetector::instance()->lastFailure().message, "Error: Tool state invalid.");
    EXPECT_EQ(tool.eGetToolState(), 0);

    auto* action = new QObject;
    tool.setActiveAction(action);
    EXPECT_EQ(tool.activeAction(), action);
    delete action;
    EXPECT_TRUE(tool.activeAction().isNull());
}

} // namespace
