// The core-side tool of a Python tool, as the core's tool manager meets it:
// what it answers, what reaches the Python object, what stays with the
// tool's state, and who owns what.
#include "layers/LayerTestSupport.h"
#include "support/PythonNamespace.h"

#include "Tools/AbstractTool.h"
#include "Tools/PythonTool.h"

#include <Bsc/Logger.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>

#include <basewrapper.h>
#include <sbkpython.h>

#include <string>

namespace {

// An interpreter named as the GUI application names it, so that
// plinx.tools loads.
class EmbeddedInterpreter : public ::testing::Environment
{
public:
    void SetUp() override
    {
        PyConfig config;
        PyConfig_InitPythonConfig(&config);
        PyConfig_SetString(&config, &config.program_name, L"plinx-python");
        Py_InitializeFromConfig(&config);
        PyConfig_Clear(&config);
        PyRun_SimpleString("import sys\nsys.path.insert(0, '" PLINX_PYTHON_DIR "')\n");
    }
};
const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new EmbeddedInterpreter);

class PythonToolTest : public layertest::LayerProject, public PythonNamespace
{
protected:
    PythonToolTest()
    {
        run("import shiboken2, weakref\n"
            "import plinx.tools as t\n"
            "class Recorder(t.AbstractTool):\n"
            "    def __init__(self):\n"
            "        super().__init__()\n"
            "        self.calls = []\n"
            "    def on_mouse_press(self, e): self.calls.append('press %g %g' % e.pos_on_image.toTuple())\n"
            "    def on_mouse_move(self, e): self.calls.append('move')\n"
            "    def on_mouse_release(self, e): self.calls.append('release')\n"
            "    def on_activate(self): self.calls.append('activate')\n"
            "    def on_deactivate(self): self.calls.append('deactivate')\n"
            "made = Recorder()\n"
            "watch = weakref.ref(made)\n");
    }
    ~PythonToolTest() override
    {
        clear();
        PyGC_Collect();
    }

    // The core-side tool over the Python object `made`, which it owns from
    // now on, as the tool type registry leaves it; not kept by the tool manager.
    Python::Tool* initialisedTool()
    {
        run("base = t.AbstractTool\n");
        PyObject* made = object("made");
        auto* tool = static_cast<AbstractTool*>(Shiboken::Object::cppPointer(
            reinterpret_cast<SbkObject*>(made), reinterpret_cast<PyTypeObject*>(object("base"))));
        tool->initTool(&core().toolManager(), core().selectionManager().get());
        Shiboken::Object::releaseOwnership(made);
        return qobject_cast<Python::Tool*>(tool->internalTool().data());
    }
};

TEST_F(PythonToolTest, AnswersForEveryPythonToolAndForwardsMouseAndActivation)
{
    Python::Tool* tool = initialisedTool();
    ASSERT_NE(tool, nullptr);
    EXPECT_TRUE(tool->receivesAllMouseEvents());
    EXPECT_EQ(tool->getMouseCursor(Rirediro::InputEvent()), 0);
    EXPECT_EQ(tool->eGetToolType(), Rirediro::CustomTool::CustomToolType);
    EXPECT_EQ(tool->requiredRenderModule(), 17);
    EXPECT_FALSE(tool->requiredView().isValid());
    EXPECT_FALSE(tool->constructToolOverlay());

    // The flag of activation is not the tool's business.
    tool->doActivate(false);
    tool->doDeactivate(true);
    tool->vHandleMousePress(Rirediro::InputEvent(QPointF(1.5, 2), QPointF(3, 4)));
    tool->vHandleMouseMove(Rirediro::InputEvent());
    tool->vHandleMouseRelease(Rirediro::InputEvent());
    EXPECT_EQ(text("made.calls"), "['activate', 'deactivate', 'press 1.5 2', 'move', 'release']");

    // Keys and menu actions stay with the tool's state.
    tool->handleKeyPress(65, Rirediro::InputEvent());
    tool->implementMenuAction(3, Rirediro::InputEvent());
    EXPECT_EQ(tool->currentState().journal(), QStringList({"key 65", "menu 3"}));
    EXPECT_EQ(text("len(made.calls)"), "5");
    delete tool;
}

TEST_F(PythonToolTest, AnyToolStateButTheDefaultIsReportedAndLeavesTheDefault)
{
    VUVI_ErrorDetector::init();
    Python::Tool* tool = initialisedTool();
    EXPECT_NO_THROW(tool->vSetToolState(0));
    EXPECT_THROW(tool->vSetToolState(1), VUVI_AssertionFailed);
    const auto failure = VUVI_ErrorDetector::instance()->lastFailure();
    EXPECT_EQ(failure.sourceFile, "Rirediro/ToolManager/Tool");
    EXPECT_EQ(failure.line, 90);
    EXPECT_EQ(failure.conditionText, "false");
    EXPECT_EQ(failure.message, "Error: Tool state invalid.");
    EXPECT_EQ(tool->eGetToolState(), 0);
    EXPECT_FALSE(tool->bGetToolStateEdgeHandle());
    delete tool;
}

TEST_F(PythonToolTest, TheCoreToolOwnsThePythonToolAndLetsItGoWhenItDies)
{
    Python::Tool* tool = initialisedTool();
    run("made = None\n");
    EXPECT_EQ(text("watch() is not None"), "True"); // the core tool holds it
    delete tool;
    PyGC_Collect();
    EXPECT_EQ(text("watch() is None"), "True");
}

TEST_F(PythonToolTest, AToolDeletedByTheScriptLeavesACoreToolThatIgnoresCalls)
{
    Python::Tool* tool = initialisedTool();
    run("shiboken2.delete(made)\n");
    EXPECT_EQ(tool->pythonTool(), nullptr);
    tool->doActivate(true);
    tool->vHandleMousePress(Rirediro::InputEvent());
    delete tool; // nothing deleted twice
}

TEST_F(PythonToolTest, AMouseEventWhoseProjectIsGoneIsDroppedAndLogged)
{
    Python::Tool* tool = initialisedTool();
    m_made.project.reset(); // the core project with it
    Bsc::Logger::clearJournal();
    EXPECT_NO_THROW(tool->vHandleMousePress(Rirediro::InputEvent(QPointF(1, 1), QPointF(1, 1))));
    EXPECT_EQ(text("made.calls"), "[]");
    ASSERT_EQ(Bsc::Logger::journal().size(), 1);
    EXPECT_TRUE(Bsc::Logger::journal().front().contains("A mouse event is dropped for a Python tool: Invalid object"))
        << qPrintable(Bsc::Logger::journal().front());
    delete tool;
}

TEST_F(PythonToolTest, ASecondCoreToolTakesThePythonToolFromTheFirst)
{
    Python::Tool* first = initialisedTool();
    AbstractTool* pythonTool = first->pythonTool();
    pythonTool->initTool(&core().toolManager(), core().selectionManager().get());
    auto* second = qobject_cast<Python::Tool*>(pythonTool->internalTool().data());
    EXPECT_NE(second, first);
    EXPECT_EQ(first->pythonTool(), nullptr);
    first->doActivate(true);
    second->doDeactivate(true);
    EXPECT_EQ(text("made.calls"), "['deactivate']");
    delete first;
    EXPECT_EQ(text("shiboken2.isValid(made)"), "True");
    delete second;
    EXPECT_EQ(text("shiboken2.isValid(made)"), "False");
}

} // namespace
