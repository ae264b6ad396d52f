// Starts the built plinxapp offscreen, as a user would start it, and reads
// back its log and its settings.
#include "AppTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using AppTest::TemporarySettings;

struct AppRun
{
    int exitCode = -1;
    QStringList calls;
};

class EndToEnd : public ::testing::Test
{
protected:
    // Runs plinxapp with the arguments against the test's settings folder.
    // The main window closes itself after start-up, which ends the run.
    AppRun start(const QStringList& arguments, const QString& extraVariable = QString())
    {
        const QString logPath = work.filePath(QStringLiteral("run%1.log").arg(++runs));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_CONFIG_HOME", settings.folder());
        environment.insert("PLINX_LOG_FILE", logPath);
        environment.insert("PLINX_GUI_QUIT_AFTER_STARTUP", "1");
        if (!extraVariable.isEmpty())
            environment.insert(extraVariable, "1");

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(work.path());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(PLINXAPP_PATH), arguments);
        // Only a guard against a hang, not a timing requirement.
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "plinxapp did not end";
        }
        AppRun run;
        if (process.exitStatus() == QProcess::NormalExit)
            run.exitCode = process.exitCode();
        QFile log(logPath);
        if (log.open(QIODevice::ReadOnly | QIODevice::Text))
            run.calls = AppTest::recordedCalls(QString::fromUtf8(log.readAll()).split('\n'));
        // The store is read afresh after every run.
        Product::Settings::reload();
        return run;
    }

    QTemporaryDir work;
    TemporarySettings settings;
    int runs = 0;
};

// Each expected call occurs in the run, in this order (other calls between).
void expectInOrder(const QStringList& calls, const QStringList& expected)
{
    int from = 0;
    for (const QString& call : expected) {
        const int at = calls.indexOf(call, from);
        ASSERT_GE(at, 0) << "missing or out of order: " << qPrintable(call) << "\nin:\n"
                         << qPrintable(calls.join('\n'));
        from = at + 1;
    }
}

TEST_F(EndToEnd, TwoStartsCountAndHandTheCommandLineToTheStartupManager)
{
    const QString exportPath = work.filePath("export");
    const AppRun first = start({"shot.plx", "plate.####.png", "-o", exportPath, "--frame-rate", "24"});
    EXPECT_EQ(first.exitCode, 0);
    expectInOrder(first.calls,
                  {"GuiAppCreator::createStandalone()",
                   "CLI::NewProjectArgs::setInputClipName()",
                   "CLI::NewProjectArgs::setProjectFileName(shot.plx)",
                   "CLI::NewProjectArgs::setInputClipName(plate.####.png)",
                   "Rirediro::ExportFootageParams::setClipPath(" + exportPath + ")",
                   "Rirediro::ExportFootageParams::setClipExtension(.tif)",
                   "frmMain::show()",
                   "Product::Settings::setValue(MainGuiOpenCount, 1, false)",
                   "GUI::StartupManager::configure(shot.plx, plate.####.png)",
                   "GUI::StartupManager::start()",
                   "frmMain::sltStoreSettings()",
                   "Product::Settings::setValue(LastRunBuildNumber, 1042, false)",
                   "GuiAppCreator::resetQApp()"});
    EXPECT_EQ(first.calls.first(), "GuiAppCreator::createStandalone()");
    EXPECT_EQ(first.calls.last(), "GuiAppCreator::resetQApp()");
    EXPECT_EQ(TemporarySettings::stored("MainGuiOpenCount").toUInt(), 1u);

    const AppRun second = start({});
    EXPECT_EQ(second.exitCode, 0);
    expectInOrder(second.calls, {"GUI::MarketingDialog::needsToBeShown(2)",
                                 "Product::Settings::setValue(MainGuiOpenCount, 2, false)",
                                 "GUI::StartupManager::configure(, )"});
    EXPECT_EQ(TemporarySettings::stored("MainGuiOpenCount").toUInt(), 2u);
    EXPECT_EQ(TemporarySettings::stored("LastRunBuildNumber").toUInt(), Product::buildNumber().toUInt());
}

TEST_F(EndToEnd, WithoutGuiApplicationNothingRunsAndTheExitCodeSaysSo)
{
    const AppRun run = start({"shot.plx"}, "PLINX_GUI_NO_APPLICATION");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_EQ(run.calls, QStringList{"GuiAppCreator::createStandalone()"});
    EXPECT_FALSE(TemporarySettings::stored("MainGuiOpenCount").isValid());
}

// main creates no host, yet a start in host mode finds both host classes,
// their factories and their tables in the executable itself.
TEST(Executable, CarriesTheHostIntegrationClasses)
{
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("--demangle"), QStringLiteral("--defined-only"),
                                     QStringLiteral(PLINXAPP_PATH)});
    ASSERT_TRUE(nm.waitForFinished(120000)) << "nm did not end";
    ASSERT_EQ(nm.exitCode(), 0) << nm.readAllStandardError().toStdString();
    const QString symbols = QString::fromUtf8(nm.readAllStandardOutput());
    for (const char* symbol : {"GUI::QuarnDialogHost::create(GUIApplication*, MXIHost&, TQ::Callbacks&)",
                               "GUI::QuarnGuiHost::create(GUIApplication*, MXIHost&, TQ::Callbacks&)",
                               "vtable for GUI::QuarnDialogHost", "vtable for GUI::QuarnGuiHost"})
        EXPECT_TRUE(symbols.contains(QLatin1String(symbol))) << symbol;
}

} // namespace
