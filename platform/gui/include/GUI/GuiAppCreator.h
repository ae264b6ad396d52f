#pragma once

#include <utility>

class GUIApplication;

// Creates the Qt application and the GUI application of a stand-alone run.
class GuiAppCreator
{
public:
    // first: this call created the GUI application, so resetQApp() must
    // release it; second: the GUI application, or null when none can be had.
    using Result = std::pair<bool, GUIApplication*>;

    // Creates the QApplication (which may take arguments of its own out of
    // argc and argv) unless the process has one already, then the GUI
    // application. A process whose Qt application has no widgets gets none,
    // and so does a run with PLINX_GUI_NO_APPLICATION set, which lets tests
    // play a GUI library that cannot start.
    static Result createStandalone(int& argc, char** argv);

    // Destroys the GUI application made by createStandalone, and the
    // QApplication if it made that too.
    static void resetQApp();
};
