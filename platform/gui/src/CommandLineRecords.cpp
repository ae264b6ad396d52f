#include "CLI/NewProjectArgs.h"

#include "GuiSupport.h"

namespace CLI {

NewProjectArgs s_newProjectArgs;
Rirediro::ExportFootageParams s_exportClipInfo;

void NewProjectArgs::setInputClipName(const QString& name)
{
    GuiSupport::recordCall(QStringLiteral("CLI::NewProjectArgs::setInputClipName(%1)").arg(name));
    m_inputClipName = name;
}

void NewProjectArgs::setProjectFileName(const QString& name)
{
    GuiSupport::recordCall(QStringLiteral("CLI::NewProjectArgs::setProjectFileName(%1)").arg(name));
    m_projectFileName = name;
}

} // namespace CLI

namespace Rirediro {

void ExportFootageParams::setClipPath(const QString& path)
{
    GuiSupport::recordCall(QStringLiteral("Rirediro::ExportFootageParams::setClipPath(%1)").arg(path));
    m_clipPath = path;
}

void ExportFootageParams::setClipExtension(const QString& extension)
{
    GuiSupport::recordCall(QStringLiteral("Rirediro::ExportFootageParams::setClipExtension(%1)").arg(extension));
    m_clipExtension = extension;
}

} // namespace Rirediro
