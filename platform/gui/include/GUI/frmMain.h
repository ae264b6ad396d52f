#pragma once

#include <QMainWindow>

#include <boost/shared_ptr.hpp>

class QLabel;
class VUVI_ProjectManager;
class frmSoftwareUpdate;

namespace Rirediro {
class IProjectHandle;
}

// The main window. It shows the product's name and, once the start-up
// manager has run, the project file and the input clip it was given.
//
// Headless runs: when PLINX_GUI_QUIT_AFTER_STARTUP is set, the window closes
// itself as soon as the event loop runs after start-up, so that a run started
// by a test ends on its own.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    // Posted by the run loop when the application runs modally.
    static constexpr int ModalRunEventType = 4300;

    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Creates the software-update form once; later calls give the same form.
    frmSoftwareUpdate* createSoftwareUpdateForm();
    frmSoftwareUpdate* softwareUpdateForm() const { return m_softwareUpdate; }

    // Opens the project a handle holds as the window's project, in place of
    // the one open, and makes it the GUI's (GUI::Project). A handle that
    // cannot be read throws VUVI_BadFile and leaves the open project.
    void openProjectHandle(Rirediro::IProjectHandle& handle);
    const boost::shared_ptr<VUVI_ProjectManager>& project() const { return m_project; }
    void closeProject();

public slots:
    void sltStoreSettings();
    void sltShowStartupFiles(const QString& projectFileName, const QString& inputClipName);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_projectFile;
    QLabel* m_inputClip;
    frmSoftwareUpdate* m_softwareUpdate = nullptr;
    boost::shared_ptr<VUVI_ProjectManager> m_project;
};
