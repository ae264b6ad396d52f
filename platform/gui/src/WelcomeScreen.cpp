#include "GUI/WelcomeScreen.h"

#include "GUI/GUIApplication.h"
#include "GUI/frmMain.h"
#include "GuiSupport.h"

#include <Product/Product.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

WelcomeScreen::WelcomeScreen(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Welcome to %1").arg(Product::name()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Open a project, or start a new one from a clip.")));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void WelcomeScreen::runModal(GUIApplication& application, bool atStartup)
{
    GuiSupport::recordCall(
        QStringLiteral("WelcomeScreen::runModal(%1)").arg(atStartup ? QStringLiteral("true") : QStringLiteral("false")));
    if (GuiSupport::runsHeadless())
        return;
    WelcomeScreen screen(application.mainWindow());
    screen.exec();
}
