#include "GUI/StartupManager.h"

#include "GuiSupport.h"

namespace GUI {

StartupManager::StartupManager(QObject* parent) : QObject(parent) {}

void StartupManager::configure(const QString& projectFileName, const QString& inputClipName)
{
    GuiSupport::recordCall(
        QStringLiteral("GUI::StartupManager::configure(%1, %2)").arg(projectFileName, inputClipName));
    m_projectFileName = projectFileName;
    m_inputClipName = inputClipName;
    m_configured = true;
}

void StartupManager::start()
{
    GuiSupport::recordCall(QStringLiteral("GUI::StartupManager::start()"));
    emit started(m_projectFileName, m_inputClipName);
}

} // namespace GUI
