#include "AppTestSupport.h"
#include "app/RunMainGui.h"

#include <CLI/NewProjectArgs.h>
#include <GUI/GUIApplication.h>
#include <GUI/StartupManager.h>
#include <GUI/frmMain.h>

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using AppTest::TemporarySettings;

// Ends the event loop with a given code once every event of normal priority
// that is queued before it, such as the modal-run event, has been handled.
class LoopEnder : public QObject
{
public:
    explicit LoopEnder(int exitCode) : m_exitCode(exitCode)
    {
        QCoreApplication::postEvent(this, new QEvent(QEvent::User), Qt::LowEventPriority);
    }

    bool event(QEvent* event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        QCoreApplication::exit(m_exitCode);
        return true;
    }

private:
    int m_exitCode;
};

enum class Manager { Fresh, AlreadyConfigured, Gone };

// One run: how the world looks before it, and what it must call and store.
struct RunCase
{
    RunCase(std::string name, QStringList calls) : name(std::move(name)), calls(std::move(calls)) {}

    RunCase& storedOpenCount(const QVariant& v) { openCountBefore = v; return *this; }
    RunCase& withoutAutoUpdate() { autoUpdate = false; return *this; }
    RunCase& modalRun() { modal = true; return *this; }
    RunCase& withoutMainWindow() { mainWindow = false; return *this; }
    RunCase& startupManager(Manager m) { manager = m; return *this; }
    RunCase& build(const QString& v) { buildNumber = v; return *this; }
    RunCase& loopExitsWith(int v) { exitCode = v; return *this; }
    RunCase& expectOpenCount(unsigned int v) { openCountAfter = v; return *this; }
    RunCase& expectLastRunBuild(unsigned int v) { lastRunBuildAfter = v; return *this; }

    std::string name;
    QStringList calls;
    QVariant openCountBefore; // invalid: nothing stored
    bool autoUpdate = true;
    bool modal = false;
    bool mainWindow = true;
    Manager manager = Manager::Fresh;
    QString buildNumber = QStringLiteral("1042");
    int exitCode = 0;
    unsigned int openCountAfter = 1;
    unsigned int lastRunBuildAfter = 1042;
};

void PrintTo(const RunCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::vector<RunCase> kRuns = {
    RunCase("FirstStart",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"}),

    // The start is counted before the dialog is asked about, shown or not.
    RunCase("MarketingNotDue",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(5)",
             "Product::Settings::setValue(MainGuiOpenCount, 5, false)",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .storedOpenCount(4u)
        .expectOpenCount(5),

    RunCase("StoredOpenCountNotANumberCountsFromZero",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .storedOpenCount(QStringLiteral("many")),

    // A counter at its limit stays there instead of starting over at zero.
    RunCase("OpenCountAtItsLimitStays",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(4294967295)",
             "Product::Settings::setValue(MainGuiOpenCount, 4294967295, false)",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .storedOpenCount(4294967295u)
        .expectOpenCount(4294967295u),

    RunCase("WithoutAutoUpdateNoUpdateCheck",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .withoutAutoUpdate(),

    RunCase("ConfiguredManagerIsOnlyStarted",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .startupManager(Manager::AlreadyConfigured),

    RunCase("GoneManagerIsSkipped",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .startupManager(Manager::Gone),

    RunCase("ModalRunTellsTheWindowOnceTheLoopRuns",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::event(4300)",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .modalRun(),

    // Without a main window everything that needs one is skipped, even the
    // update check, whose form belongs to the window.
    RunCase("WithoutMainWindow",
            {"Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .withoutMainWindow(),

    RunCase("ModalWithoutMainWindow",
            {"Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .withoutMainWindow()
        .modalRun(),

    RunCase("BuildNumberNotANumberIsStoredAsZero",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 0, false)"})
        .build(QStringLiteral("1042-rc1"))
        .expectLastRunBuild(0),

    RunCase("FailingLoopStillRecordsTheBuild",
            {"frmMain::show()",
             "Product::Settings::value(MainGuiOpenCount, 0, true)",
             "GUI::MarketingDialog::needsToBeShown(1)",
             "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
             "GUI::MarketingDialog::exec()",
             "WelcomeScreen::runModal(true)",
             "frmMain::createSoftwareUpdateForm()",
             "frmSoftwareUpdate::vCheckForSoftwareUpdate()",
             "GUI::StartupManager::configure(shot.plx, plate.mov)",
             "GUI::StartupManager::start()",
             "frmMain::sltStoreSettings()",
             "Product::Settings::setValue(MainWindow/Geometry, <binary>, false)",
             "Product::Settings::setValue(LastRunBuildNumber, 1042, false)"})
        .loopExitsWith(3),
};

class RunLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CLI::s_newProjectArgs = CLI::NewProjectArgs();
        CLI::s_newProjectArgs.setProjectFileName(QStringLiteral("shot.plx"));
        CLI::s_newProjectArgs.setInputClipName(QStringLiteral("plate.mov"));
        application = std::make_unique<GUIApplication>();
        Bsc::Logger::clearJournal();
    }

    int runWithLoopExitCode(int exitCode)
    {
        const LoopEnder ender(exitCode);
        return runMainGui(application.get());
    }

    AppTest::ProductScope product;
    TemporarySettings settings;
    std::unique_ptr<GUIApplication> application;
};

class RunLoopTable : public RunLoop, public ::testing::WithParamInterface<RunCase>
{
};

TEST_P(RunLoopTable, CallsInOrderAndStoresItsSettings)
{
    const RunCase& c = GetParam();
    if (c.openCountBefore.isValid())
        Product::Settings::get().setValue(QStringLiteral("MainGuiOpenCount"), c.openCountBefore);
    Product::Info running = Product::get();
    if (!c.autoUpdate)
        running.features.remove(QStringLiteral("auto_update"));
    running.buildNumber = c.buildNumber;
    Product::set(running);
    application->setModal(c.modal);
    if (!c.mainWindow)
        application->setMainWindow(nullptr);
    if (c.manager == Manager::AlreadyConfigured)
        application->startupManager()->configure(QStringLiteral("earlier.plx"), QStringLiteral("earlier.mov"));
    if (c.manager == Manager::Gone)
        delete application->startupManager().data();
    Bsc::Logger::clearJournal();

    EXPECT_EQ(runWithLoopExitCode(c.exitCode), c.exitCode);

    EXPECT_EQ(AppTest::lines(AppTest::recordedCalls()), AppTest::lines(c.calls));
    EXPECT_EQ(TemporarySettings::stored("MainGuiOpenCount").toUInt(), c.openCountAfter);
    EXPECT_EQ(TemporarySettings::stored("LastRunBuildNumber").toUInt(), c.lastRunBuildAfter);
    if (c.manager == Manager::AlreadyConfigured) {
        EXPECT_EQ(application->startupManager()->projectFileName(), "earlier.plx");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, RunLoopTable, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

TEST_F(RunLoop, EveryStartIsCounted)
{
    for (unsigned int start = 1; start <= 3; ++start) {
        runWithLoopExitCode(0);
        EXPECT_EQ(TemporarySettings::stored("MainGuiOpenCount").toUInt(), start);
    }
}

TEST_F(RunLoop, AnOverriddenOpenCountIsCountedOn)
{
    // Reads honour overrides, writes go to the store.
    Product::Settings::setValue(QStringLiteral("MainGuiOpenCount"), 41u, true);
    runWithLoopExitCode(0);
    EXPECT_EQ(TemporarySettings::stored("MainGuiOpenCount").toUInt(), 42u);
}

TEST_F(RunLoop, ModalWindowIsApplicationModalWithoutMinimiseButton)
{
    application->setModal(true);
    runWithLoopExitCode(0);
    frmMain* window = application->mainWindow();
    EXPECT_EQ(window->windowModality(), Qt::ApplicationModal);
    // Qt adds the system-menu hint that goes with a title bar of its own accord.
    const auto requested = static_cast<unsigned int>(Qt::Window | Qt::WindowTitleHint | Qt::WindowMaximizeButtonHint |
                                                     Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    // Modal as shown: the window blocks the application's other windows.
    EXPECT_EQ(QApplication::activeModalWidget(), window);
    EXPECT_EQ(static_cast<unsigned int>(window->windowFlags()) & ~static_cast<unsigned int>(Qt::WindowSystemMenuHint),
              requested);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(RunLoop, NonModalWindowKeepsItsModalityAndFlags)
{
    frmMain* window = application->mainWindow();
    window->setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    const Qt::WindowFlags flags = window->windowFlags();
    runWithLoopExitCode(0);
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_EQ(window->windowFlags(), flags);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(RunLoop, MainWindowShowsTheProductAndTheStartupFiles)
{
    frmMain* window = application->mainWindow();
    EXPECT_EQ(window->findChild<QLabel*>("projectFile")->text(), "");
    runWithLoopExitCode(0);
    EXPECT_EQ(window->windowTitle(), Product::name());
    EXPECT_EQ(window->findChild<QLabel*>("productName")->text(), Product::name());
    EXPECT_EQ(window->findChild<QLabel*>("projectFile")->text(), "Project file: shot.plx");
    EXPECT_EQ(window->findChild<QLabel*>("inputClip")->text(), "Input clip: plate.mov");
}

TEST_F(RunLoop, WithoutApplicationNothingRuns)
{
    EXPECT_NE(runMainGui(nullptr), 0);
    EXPECT_TRUE(AppTest::recordedCalls().isEmpty());
    EXPECT_FALSE(TemporarySettings::stored("MainGuiOpenCount").isValid());
    EXPECT_FALSE(TemporarySettings::stored("LastRunBuildNumber").isValid());
}

} // namespace
