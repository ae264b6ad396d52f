#pragma once

#include <QDialog>

class GUIApplication;

// Greets the user with what to do first: open a project or start from a clip.
class WelcomeScreen : public QDialog
{
    Q_OBJECT
public:
    // Runs the screen modally over the application's main window. In a
    // headless run it is not shown at all.
    static void runModal(GUIApplication& application, bool atStartup);

private:
    explicit WelcomeScreen(QWidget* parent);
};
