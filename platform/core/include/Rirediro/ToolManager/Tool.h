#pragma once

#include <Prm/View.h>
#include <Rirediro/ToolManager/InputEvent.h>
#include <Rirediro/ToolManager/ToolState.h>

#include <QObject>
#include <QPointer>

#include <boost/shared_ptr.hpp>

#include <memory>

class VUVI_SelectionManager;
class VUVI_ToolManager;

namespace Rirediro {

class ToolOverlay;

// An interactive tool of the viewer, driven by the tool manager. The base
// does nothing with the mouse; its state object takes keys and menu actions.
class Tool : public QObject
{
    Q_OBJECT
public:
    Tool(VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager, int toolType);
    ~Tool() override;

    VUVI_ToolManager* toolManager() const { return m_toolManager; }
    VUVI_SelectionManager* selectionManager() const { return m_selectionManager; }
    const ToolState& currentState() const { return *m_state; }

public slots:
    virtual int eGetToolType() const { return m_toolType; }
    virtual int eGetToolState() const { return m_state->eGetToolState(); }
    // Any state but 0 is a fault of the caller, reported to the error
    // detector; the tool goes back to its default state either way.
    virtual void vSetToolState(int state);
    virtual bool bGetToolStateEdgeHandle() const { return m_state->bGetToolStateEdgeHandle(); }
    virtual bool receivesAllMouseEvents() const { return false; }
    virtual Prm::View requiredView() const { return Prm::View::INVALID; }
    virtual int requiredRenderModule() const { return 17; }
    virtual void vSetSelectionStateUpdate() { changeStateTo(defaultState()); }
    virtual int getMouseCursor(const Rirediro::InputEvent& event) const;
    virtual void vHandleMousePress(const Rirediro::InputEvent&) {}
    virtual void vHandleMouseRelease(const Rirediro::InputEvent&) {}
    virtual void vHandleMouseMove(const Rirediro::InputEvent&) {}
    virtual bool isEditingSpline() const { return false; }
    virtual bool layerOperationsAllowed() const { return true; }
    virtual int requirements() const { return 0; }
    virtual void doActivate(bool) {}
    virtual void doDeactivate(bool) {}
    virtual boost::shared_ptr<Rirediro::ToolOverlay> constructToolOverlay();
    virtual void handleKeyPress(int key, Rirediro::InputEvent event);
    virtual void implementMenuAction(TQ_POPUP_MENU_ITEM item, const Rirediro::InputEvent& event);
    virtual void vSetContourStateUpdate() { changeStateTo(defaultState()); }

protected:
    std::shared_ptr<ToolState> defaultState() const { return m_defaultState; }
    void changeStateTo(const std::shared_ptr<ToolState>& state) { m_state = state; }

private:
    VUVI_ToolManager* m_toolManager;
    VUVI_SelectionManager* m_selectionManager;
    int m_toolType;
    std::shared_ptr<ToolState> m_defaultState;
    std::shared_ptr<ToolState> m_state;
};

// A tool made by an extension rather than by the core: it carries the
// action that switches it on in the GUI.
class CustomTool : public Tool
{
    Q_OBJECT
public:
    // The type number the core gives every custom tool.
    static constexpr int CustomToolType = 100;

    CustomTool(VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager);

    void setActiveAction(QObject* action) { m_activeAction = action; }
    QPointer<QObject> activeAction() const { return m_activeAction; }

private:
    QPointer<QObject> m_activeAction;
};

} // namespace Rirediro
