#pragma once

#include <QAction>
#include <QObject>
#include <QPointer>

class InputEvent;
class VUVI_SelectionManager;
class VUVI_ToolManager;

namespace Rirediro {
class CustomTool;
}

// The base of interactive viewer tools written in Python. The tool type
// registry makes an instance each time the core asks for the tool and sets
// it up with initTool, which builds the core-side tool (Python::Tool); that
// tool owns this object from then on and forwards the core's mouse and
// activation calls to the operations below.
class AbstractTool : public QObject
{
    Q_OBJECT
public:
    explicit AbstractTool(QAction* action = nullptr);
    ~AbstractTool() override;

    virtual void on_mouse_press(const InputEvent& event) = 0;
    virtual void on_mouse_move(const InputEvent& event) = 0;
    virtual void on_mouse_release(const InputEvent& event) = 0;
    virtual void on_activate() = 0;
    virtual void on_deactivate() = 0;

    // Makes the core-side tool over this object. Ownership of this object
    // passes to that tool, which the core's tool manager keeps.
    void initTool(VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager);
    // Null before initTool and once the core has destroyed the tool.
    QPointer<Rirediro::CustomTool> internalTool() const { return m_tool; }

    // The core-side tool's active action; without core-side tool, the
    // action given at construction (null when none or gone).
    QAction* action() const;

private:
    QPointer<Rirediro::CustomTool> m_tool;
    QPointer<QAction> m_action;
};
