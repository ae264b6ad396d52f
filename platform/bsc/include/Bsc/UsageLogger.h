#pragma once

#include <QMap>
#include <QString>

namespace Bsc {

// The application's record of what users do, one record per action.
class UsageLogger
{
public:
    // One action: its name and the details that go with it.
    struct Record
    {
        QString action;
        QMap<QString, QString> details;
    };
};

} // namespace Bsc
