#pragma once

class GUIApplication;

// Runs the GUI of a stand-alone start: brings up the main window and the
// start-up dialogs, starts the start-up manager with the command line's
// project file and input clip, runs the event loop and records the build
// that ran. Returns the event loop's exit code, or 1 without an application.
int runMainGui(GUIApplication* application);
