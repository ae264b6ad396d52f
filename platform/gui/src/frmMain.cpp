#include "GUI/frmMain.h"

#include "GUI/Project.h"
#include "GUI/frmSoftwareUpdate.h"
#include "GuiSupport.h"

#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <Product/Product.h>
#include <Product/Settings.h>

#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const char* const kGeometryKey = "MainWindow/Geometry";

QLabel* addLabel(QVBoxLayout* layout, const QString& objectName, const QString& text)
{
    auto* label = new QLabel(text);
    label->setObjectName(objectName);
    layout->addWidget(label);
    return label;
}

} // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(Product::name());
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    addLabel(layout, QStringLiteral("productName"), Product::name());
    m_projectFile = addLabel(layout, QStringLiteral("projectFile"), QString());
    m_inputClip = addLabel(layout, QStringLiteral("inputClip"), QString());
    layout->addStretch();
    setCentralWidget(central);
    resize(960, 600);
}

frmMain::~frmMain() = default;

frmSoftwareUpdate* frmMain::createSoftwareUpdateForm()
{
    GuiSupport::recordCall(QStringLiteral("frmMain::createSoftwareUpdateForm()"));
    if (!m_softwareUpdate)
        m_softwareUpdate = new frmSoftwareUpdate(this);
    return m_softwareUpdate;
}

void frmMain::openProjectHandle(Rirediro::IProjectHandle& handle)
{
    GuiSupport::recordCall(QStringLiteral("frmMain::openProjectHandle '%1'").arg(handle.sourceName()));
    Rirediro::ProjectHeaderData header;
    Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
    m_project = VUVI_ProjectManager::createFromHandle(handle, header.baseInfos.front(), header.clipInfos.front(),
                                                      VUVI_ProjectManager::MigratingClip(), true);
    GUI::Project::get().setManager(m_project.get());
}

void frmMain::closeProject()
{
    GuiSupport::recordCall(QStringLiteral("frmMain::closeProject()"));
    if (GUI::Project::get().manager() == m_project.get())
        GUI::Project::get().setManager(nullptr);
    m_project.reset();
}

void frmMain::sltStoreSettings()
{
    GuiSupport::recordCall(QStringLiteral("frmMain::sltStoreSettings()"));
    Product::Settings::setValue(QString::fromLatin1(kGeometryKey), saveGeometry(), false);
}

void frmMain::sltShowStartupFiles(const QString& projectFileName, const QString& inputClipName)
{
    m_projectFile->setText(projectFileName.isEmpty() ? QString() : tr("Project file: %1").arg(projectFileName));
    m_inputClip->setText(inputClipName.isEmpty() ? QString() : tr("Input clip: %1").arg(inputClipName));
    if (!qEnvironmentVariableIsEmpty("PLINX_GUI_QUIT_AFTER_STARTUP"))
        QTimer::singleShot(0, this, &QWidget::close);
}

bool frmMain::event(QEvent* event)
{
    if (event->type() == static_cast<QEvent::Type>(ModalRunEventType)) {
        GuiSupport::recordCall(QStringLiteral("frmMain::event(%1)").arg(ModalRunEventType));
        // A modal run belongs to the host that started it: come to the front.
        raise();
        activateWindow();
        return true;
    }
    return QMainWindow::event(event);
}

void frmMain::showEvent(QShowEvent* event)
{
    GuiSupport::recordCall(QStringLiteral("frmMain::show()"));
    QMainWindow::showEvent(event);
}
