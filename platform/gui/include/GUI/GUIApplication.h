#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class frmMain;
namespace GUI {
class StartupManager;
}

// The GUI of one run: its main window, its start-up manager and whether it
// runs modally on behalf of a host. It lives beside the process's
// QApplication (which must exist before it) and relays its aboutToQuit().
class GUIApplication : public QObject
{
    Q_OBJECT
public:
    explicit GUIApplication(QObject* parent = nullptr);
    ~GUIApplication() override;

    // May be null: runs without a main window exist.
    frmMain* mainWindow() const { return m_mainWindow.get(); }
    // Replaces the main window; null leaves the run without one.
    void setMainWindow(std::unique_ptr<frmMain> window);

    bool isModal() const { return m_modal; }
    void setModal(bool modal) { m_modal = modal; }

    // Reads as null once the manager is gone.
    const QPointer<GUI::StartupManager>& startupManager() const { return m_startupManager; }

signals:
    void aboutToQuit();

private:
    void connectStartupManagerToWindow();

    std::unique_ptr<frmMain> m_mainWindow;
    QPointer<GUI::StartupManager> m_startupManager;
    bool m_modal = false;
};
