#include "GuiSupport.h"

#include <Bsc/Logger.h>

#include <QGuiApplication>

namespace GuiSupport {

void recordCall(const QString& call)
{
    Bsc::Logger::writeToLog(QStringLiteral("call ") + call, Bsc::Logger::Debug);
}

bool runsHeadless()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return true;
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

} // namespace GuiSupport
