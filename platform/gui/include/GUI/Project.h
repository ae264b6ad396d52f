#pragma once

#include <QPointer>

class VUVI_ProjectManager;

namespace GUI {

// The project the GUI shows now, one per process. The GUI does not own it
// (the main window or a host does): it reads as null once the project is gone.
class Project
{
public:
    static Project& get();

    VUVI_ProjectManager* manager() const;
    void setManager(VUVI_ProjectManager* manager);

private:
    Project() = default;

    QPointer<VUVI_ProjectManager> m_manager;
};

} // namespace GUI
