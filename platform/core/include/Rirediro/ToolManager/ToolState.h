#pragma once

#include <Rirediro/ToolManager/InputEvent.h>

#include <QStringList>

// An entry of a viewer's context menu.
using TQ_POPUP_MENU_ITEM = int;

namespace Rirediro {

// What a tool is doing right now. The default state does nothing with keys
// and menu actions but note them: "key <key>", "menu <item>", oldest first.
class ToolState
{
public:
    virtual ~ToolState() = default;

    virtual int eGetToolState() const { return 0; }
    virtual bool bGetToolStateEdgeHandle() const { return false; }
    virtual void handleKeyPress(int key, InputEvent event);
    virtual void implementMenuAction(TQ_POPUP_MENU_ITEM item, const InputEvent& event);

    const QStringList& journal() const { return m_journal; }

private:
    QStringList m_journal;
};

} // namespace Rirediro
