#pragma once

#include <Rirediro/ToolManager/Tool.h>

#include "Tools/AbstractTool.h"
#include "Python/ExtensionCall.h"


#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;

namespace Python {

// The core-side tool of a Python tool: the core drives it like its own
// tools, and it hands mouse events and activation to its AbstractTool.
// It owns that object, and through it the Python object's hold on it: both
// go when the core destroys the tool. A script that deletes the Python
// object itself leaves a tool that ignores the core's calls.
class Tool : public Rirediro::CustomTool
{
    Q_OBJECT
public:
    // The selection manager's project must be held by a shared pointer
    // (boost::bad_weak_ptr otherwise).
    Tool(AbstractTool* pythonTool, VUVI_ToolManager* toolManager, VUVI_SelectionManager* selectionManager);
    ~Tool() override;

    AbstractTool* pythonTool() const { return m_pythonTool; }
    // Gives up the object (to a new core tool made over it), and with it
    // every call.
    AbstractTool* takePythonTool();

public slots:
    bool receivesAllMouseEvents() const override { return true; }
    int getMouseCursor(const Rirediro::InputEvent&) const override { return 0; }
    void vHandleMousePress(const Rirediro::InputEvent& event) override;
    void vHandleMouseRelease(const Rirediro::InputEvent& event) override;
    void vHandleMouseMove(const Rirediro::InputEvent& event) override;
    void doActivate(bool) override;
    void doDeactivate(bool) override;

private:
    template <typename Operation>
    void forwardMouse(const Rirediro::InputEvent& event, Operation operation);

    PyHelpers::ExtensionPointer<AbstractTool> m_pythonTool;
    boost::weak_ptr<VUVI_ProjectManager> m_project;
};

} // namespace Python
