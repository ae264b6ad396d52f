#include "Tools/PythonTool.h"

#include "Tools/InputEvent.h"

#include <Bsc/Logger.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>

namespace Python {

namespace {
boost::weak_ptr<VUVI_ProjectManager> projectOf(VUVI_SelectionManager* selectionManager)
{
    if (!selectionManager)
        throw boost::bad_weak_ptr();
    return selectionManager->projectManager().shared_from_this();
}
} // namespace

Tool::Tool(AbstractTool* pythonTool, VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager)
    : Rirediro::CustomTool(toolManager, selectionManager)
    , m_project(projectOf(selectionManager))
{
    // Taken only once the tool is sure to exist: a failed construction
    // leaves the object with its former owner.
    m_pythonTool = pythonTool;
}

Tool::~Tool()
{
    // Not under a call of the core into it (a tool method that has the
    // application destroy the tool): it goes when that call ends.
    PyHelpers::deleteWhenUnused(m_pythonTool.data());
}

AbstractTool* Tool::takePythonTool()
{
    AbstractTool* tool = m_pythonTool;
    m_pythonTool = nullptr;
    return tool;
}

template <typename Operation>
void Tool::forwardMouse(const Rirediro::InputEvent& event, Operation operation)
{
    const PyHelpers::ExtensionCall<AbstractTool> tool(m_pythonTool);
    AbstractTool* const target = tool.get();
    if (!target)
        return;
    try {
        const InputEvent pythonEvent(event, m_project);
        (target->*operation)(pythonEvent);
    } catch (const std::exception& error) {
        // The event cannot be described to the tool: it never happened for it.
        Bsc::Logger::writeToLog(QStringLiteral("A mouse event is dropped for a Python tool: %1")
                                    .arg(QString::fromUtf8(error.what())),
                                Bsc::Logger::Warning);
    }
}

void Tool::vHandleMousePress(const Rirediro::InputEvent& event)
{
    forwardMouse(event, &AbstractTool::on_mouse_press);
}

void Tool::vHandleMouseRelease(const Rirediro::InputEvent& event)
{
    forwardMouse(event, &AbstractTool::on_mouse_release);
}

void Tool::vHandleMouseMove(const Rirediro::InputEvent& event)
{
    forwardMouse(event, &AbstractTool::on_mouse_move);
}

void Tool::doActivate(bool)
{
    const PyHelpers::ExtensionCall<AbstractTool> tool(m_pythonTool);
    if (tool)
        tool->on_activate();
}

void Tool::doDeactivate(bool)
{
    const PyHelpers::ExtensionCall<AbstractTool> tool(m_pythonTool);
    if (tool)
        tool->on_deactivate();
}

} // namespace Python
