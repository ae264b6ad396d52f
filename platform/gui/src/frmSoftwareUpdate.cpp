#include "GUI/frmSoftwareUpdate.h"

#include "GuiSupport.h"

#include <QLabel>
#include <QVBoxLayout>

frmSoftwareUpdate::frmSoftwareUpdate(QWidget* parent) : QDialog(parent), m_status(new QLabel(this))
{
    setWindowTitle(tr("Software update"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
}

void frmSoftwareUpdate::vCheckForSoftwareUpdate()
{
    GuiSupport::recordCall(QStringLiteral("frmSoftwareUpdate::vCheckForSoftwareUpdate()"));
    m_status->setText(tr("You are running the latest build."));
}
