// plinxapp: the stand-alone start of the GUI.

#include "app/CommandLine.h"
#include "app/RunMainGui.h"

#include <Bsc/Logger.h>
#include <CLI/NewProjectArgs.h>
#include <GUI/GuiAppCreator.h>

#include <QCoreApplication>

#include <exception>

namespace {

// Releases what createStandalone made on every way out of main.
class StandaloneApplication
{
public:
    explicit StandaloneApplication(const GuiAppCreator::Result& created) : m_created(created) {}
    ~StandaloneApplication()
    {
        if (m_created.second && m_created.first)
            GuiAppCreator::resetQApp();
    }
    StandaloneApplication(const StandaloneApplication&) = delete;
    StandaloneApplication& operator=(const StandaloneApplication&) = delete;

    GUIApplication* gui() const { return m_created.second; }

private:
    GuiAppCreator::Result m_created;
};

int fail(const QString& message)
{
    Bsc::Logger::writeToLog(message, Bsc::Logger::Error);
    qCritical("plinxapp: %s", qUtf8Printable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const StandaloneApplication application(GuiAppCreator::createStandalone(argc, argv));
    if (!application.gui())
        return fail(QStringLiteral("The GUI application could not be created."));
    try {
        CLI::s_newProjectArgs.setInputClipName(QString());
        readCommandLine(QCoreApplication::arguments(), CLI::s_newProjectArgs, CLI::s_exportClipInfo);
        return runMainGui(application.gui());
    } catch (const std::exception& e) {
        return fail(QStringLiteral("Stopped by an unexpected error: %1").arg(QString::fromLocal8Bit(e.what())));
    }
}
