#include "app/HostSupport.h"

#include <Bsc/Logger.h>

#include <exception>

namespace GUI::HostSupport {

void exitModalFromDestructor(Rirediro::QuarnHost& host, const char* className) noexcept
{
    const QString failure = QStringLiteral("%1: leaving modal mode failed: %2").arg(QLatin1String(className));
    try {
        host.exitModal();
    } catch (const std::exception& error) {
        Bsc::Logger::writeToLog(failure.arg(QString::fromUtf8(error.what())), Bsc::Logger::Error);
    } catch (...) {
        Bsc::Logger::writeToLog(failure.arg(QStringLiteral("unknown error")), Bsc::Logger::Error);
    }
}

} // namespace GUI::HostSupport
