#include "Tools/AbstractTool.h"

#include "Tools/PythonTool.h"

AbstractTool::AbstractTool(QAction* action) : QObject(nullptr), m_action(action) {}

AbstractTool::~AbstractTool() = default;

void AbstractTool::initTool(VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager)
{
    auto* tool = new Python::Tool(this, toolManager, selectionManager);
    // One owner: an earlier core tool lets go of this object.
    if (auto* earlier = qobject_cast<Python::Tool*>(m_tool.data()))
        earlier->takePythonTool();
    m_tool = tool;
    if (m_action)
        tool->setActiveAction(m_action);
}

QAction* AbstractTool::action() const
{
    if (!m_tool)
        return m_action;
    return qobject_cast<QAction*>(m_tool->activeAction().data());
}
