#pragma once

#include <QApplication>

class VUVI_ProjectManager;

// The application object of the host API tests: like the GUI application,
// it answers "currentProject" with the project it has open.
class HostApplication : public QApplication
{
    Q_OBJECT
public:
    using QApplication::QApplication;

    Q_INVOKABLE VUVI_ProjectManager* currentProject()
    {
        ++asked;
        return project;
    }

    static HostApplication& get() { return *static_cast<HostApplication*>(instance()); }

    VUVI_ProjectManager* project = nullptr;
    int asked = 0;
};
