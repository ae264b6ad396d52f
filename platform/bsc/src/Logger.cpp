#include "Bsc/Logger.h"

#include "Bsc/AtFork.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

namespace Bsc {

namespace {

QMutex& logMutex()
{
    static QMutex mutex;
    return mutex;
}
// The child of a fork has only the forking thread.
const bool s_logForks = onFork(nullptr, nullptr, [] { renewLock(logMutex()); });

QStringList& entries()
{
    static QStringList list;
    return list;
}

const char* levelName(Logger::Level level)
{
    switch (level) {
    case Logger::Debug: return "debug";
    case Logger::Info: return "info";
    case Logger::Warning: return "warning";
    case Logger::Error: return "error";
    }
    return "info";
}

} // namespace

void Logger::writeToLog(const QString& message, Level level)
{
    const QString entry = QStringLiteral("%1: %2").arg(QLatin1String(levelName(level)), message);
    QMutexLocker lock(&logMutex());
    entries().append(entry);
    const QString path = qEnvironmentVariable("PLINX_LOG_FILE");
    if (!path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::Append | QIODevice::Text))
            QTextStream(&file) << entry << '\n';
    }
}

QStringList Logger::journal()
{
    QMutexLocker lock(&logMutex());
    return entries();
}

void Logger::clearJournal()
{
    QMutexLocker lock(&logMutex());
    entries().clear();
}

} // namespace Bsc
