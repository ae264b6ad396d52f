#include "app/RunMainGui.h"

#include <Bsc/Logger.h>
#include <CLI/NewProjectArgs.h>
#include <GUI/GUIApplication.h>
#include <GUI/MarketingDialog.h>
#include <GUI/StartupManager.h>
#include <GUI/TQLCustomEvent.h>
#include <GUI/WelcomeScreen.h>
#include <GUI/frmMain.h>
#include <GUI/frmSoftwareUpdate.h>
#include <Product/Product.h>
#include <Product/Settings.h>

#include <QApplication>

#include <limits>

namespace {

// Tells the main window of a modal run that the event loop has started.
constexpr int kModalRunStartedEvent = 4300;

// A modal window has no minimise button: minimising it would hide the host
// that waits for it.
const Qt::WindowFlags kModalWindowFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint |
                                          Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint;

const QString& openCountKey()
{
    static const QString key = QStringLiteral("MainGuiOpenCount");
    return key;
}

frmMain* showMainWindow(GUIApplication& application)
{
    frmMain* window = application.mainWindow();
    if (!window)
        return nullptr;
    if (application.isModal()) {
        window->setWindowModality(Qt::ApplicationModal);
        window->setWindowFlags(kModalWindowFlags);
    }
    window->show();
    return window;
}

// Counts this start, before the marketing dialog can be shown, so that a
// start is counted even if the dialog never returns.
void countStartAndShowMarketing()
{
    const unsigned int stored = Product::Settings::value(openCountKey(), QVariant(0u), true).toUInt();
    // A counter at its limit stays there rather than starting over.
    const unsigned int openCount = stored == std::numeric_limits<unsigned int>::max() ? stored : stored + 1;
    const bool showMarketing = GUI::MarketingDialog::needsToBeShown(openCount);
    Product::Settings::setValue(openCountKey(), QVariant(openCount), false);
    if (showMarketing) {
        GUI::MarketingDialog dialog;
        dialog.exec();
    }
}

void startStartupManager(GUIApplication& application)
{
    GUI::StartupManager* manager = application.startupManager().data();
    if (!manager)
        return;
    if (!manager->isConfigured())
        manager->configure(CLI::s_newProjectArgs.projectFileName(), CLI::s_newProjectArgs.inputClipName());
    manager->start();
}

void recordBuildThatRan()
{
    bool isNumber = false;
    const unsigned int build = Product::buildNumber().toUInt(&isNumber, 10);
    Product::Settings::setValue(QStringLiteral("LastRunBuildNumber"), QVariant(isNumber ? build : 0u), false);
}

} // namespace

int runMainGui(GUIApplication* application)
{
    if (!application) {
        Bsc::Logger::writeToLog(QStringLiteral("The GUI cannot run without a GUI application."), Bsc::Logger::Error);
        return 1;
    }

    // Everything that addresses the window uses this one, and is skipped
    // when the run has none.
    frmMain* window = showMainWindow(*application);
    countStartAndShowMarketing();
    WelcomeScreen::runModal(*application, true);
    if (window && Product::features().contains(QStringLiteral("auto_update")))
        window->createSoftwareUpdateForm()->vCheckForSoftwareUpdate();
    startStartupManager(*application);
    if (window)
        QObject::connect(application, SIGNAL(aboutToQuit()), window, SLOT(sltStoreSettings()));
    QGuiApplication::setQuitOnLastWindowClosed(true);
    if (window && application->isModal())
        QCoreApplication::postEvent(window, new TQLCustomEvent(kModalRunStartedEvent), Qt::NormalEventPriority);

    const int exitCode = QApplication::exec();
    recordBuildThatRan();
    return exitCode;
}
