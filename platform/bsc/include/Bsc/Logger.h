#pragma once

#include <QString>
#include <QStringList>

namespace Bsc {

// The application's log. Messages are kept in memory, where tests read them,
// and also go to the file named by PLINX_LOG_FILE when that is set.
class Logger
{
public:
    enum Level { Debug, Info, Warning, Error };

    static void writeToLog(const QString& message, Level level = Info);

    // Everything logged so far, oldest first, each as "<level>: <message>".
    static QStringList journal();
    static void clearJournal();
};

} // namespace Bsc
