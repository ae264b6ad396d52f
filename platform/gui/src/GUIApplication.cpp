#include "GUI/GUIApplication.h"

#include "GUI/StartupManager.h"
#include "GUI/frmMain.h"

#include <QCoreApplication>

GUIApplication::GUIApplication(QObject* parent)
    : QObject(parent), m_mainWindow(std::make_unique<frmMain>()), m_startupManager(new GUI::StartupManager(this))
{
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &GUIApplication::aboutToQuit);
    connectStartupManagerToWindow();
}

GUIApplication::~GUIApplication() = default;

void GUIApplication::setMainWindow(std::unique_ptr<frmMain> window)
{
    m_mainWindow = std::move(window);
    connectStartupManagerToWindow();
}

void GUIApplication::connectStartupManagerToWindow()
{
    if (m_startupManager && m_mainWindow)
        connect(m_startupManager.data(), &GUI::StartupManager::started, m_mainWindow.get(),
                &frmMain::sltShowStartupFiles, Qt::UniqueConnection);
}
