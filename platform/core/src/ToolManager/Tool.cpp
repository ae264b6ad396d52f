#include "Rirediro/ToolManager/Tool.h"

#include "Rirediro/ErrorHandling/VUVI_ErrorDetector.h"

#include <QCoreApplication>

namespace Rirediro {

void ToolState::handleKeyPress(int key, InputEvent)
{
    m_journal.append(QStringLiteral("key %1").arg(key));
}

void ToolState::implementMenuAction(TQ_POPUP_MENU_ITEM item, const InputEvent&)
{
    m_journal.append(QStringLiteral("menu %1").arg(item));
}

Tool::Tool(VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager, int toolType)
    : m_toolManager(toolManager)
    , m_selectionManager(selectionManager)
    , m_toolType(toolType)
    , m_defaultState(std::make_shared<ToolState>())
    , m_state(m_defaultState)
{
}

Tool::~Tool() = default;

void Tool::vSetToolState(int state)
{
    changeStateTo(defaultState());
    if (state != 0)
        VUVI_ErrorDetector::instance()->check(false, QStringLiteral("Rirediro/ToolManager/Tool"), 90,
                                              QStringLiteral("false"),
                                              QCoreApplication::translate("Rirediro::Tool", "Error: Tool state invalid."));
}

int Tool::getMouseCursor(const InputEvent&) const
{
    return Qt::ArrowCursor;
}

boost::shared_ptr<ToolOverlay> Tool::constructToolOverlay()
{
    return {};
}

void Tool::handleKeyPress(int key, InputEvent event)
{
    m_state->handleKeyPress(key, event);
}

void Tool::implementMenuAction(TQ_POPUP_MENU_ITEM item, const InputEvent& event)
{
    m_state->implementMenuAction(item, event);
}

CustomTool::CustomTool(VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager)
    : Tool(toolManager, selectionManager, CustomToolType)
{
}

} // namespace Rirediro
