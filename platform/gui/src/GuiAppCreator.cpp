#include "GUI/GuiAppCreator.h"

#include "GUI/GUIApplication.h"
#include "GuiSupport.h"

#include <Bsc/Logger.h>

#include <QApplication>

#include <memory>

namespace {

// What createStandalone made, so that resetQApp releases exactly that.
struct Created
{
    std::unique_ptr<GUIApplication> gui;
    std::unique_ptr<QApplication> qt;
};

Created& created()
{
    static Created instance;
    return instance;
}

} // namespace

GuiAppCreator::Result GuiAppCreator::createStandalone(int& argc, char** argv)
{
    GuiSupport::recordCall(QStringLiteral("GuiAppCreator::createStandalone()"));
    Created& made = created();
    if (made.gui)
        return {false, made.gui.get()};
    if (!qEnvironmentVariableIsEmpty("PLINX_GUI_NO_APPLICATION")) {
        Bsc::Logger::writeToLog(QStringLiteral("The GUI application was not created: PLINX_GUI_NO_APPLICATION is set"),
                                Bsc::Logger::Warning);
        return {false, nullptr};
    }
    if (!QCoreApplication::instance())
        made.qt = std::make_unique<QApplication>(argc, argv);
    else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        Bsc::Logger::writeToLog(QStringLiteral("The GUI application was not created: the process runs a Qt "
                                               "application without widgets"),
                                Bsc::Logger::Warning);
        return {false, nullptr};
    }
    made.gui = std::make_unique<GUIApplication>();
    return {true, made.gui.get()};
}

void GuiAppCreator::resetQApp()
{
    GuiSupport::recordCall(QStringLiteral("GuiAppCreator::resetQApp()"));
    Created& made = created();
    made.gui.reset();
    made.qt.reset();
}
