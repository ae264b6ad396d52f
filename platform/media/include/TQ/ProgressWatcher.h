#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

#include <boost/shared_ptr.hpp>

namespace TQ {

// The process's progress source: long operations of the core report through
// its four signals.
class ProgressWatcher : public QObject
{
    Q_OBJECT
public:
    using Ptr = boost::shared_ptr<ProgressWatcher>;

    explicit ProgressWatcher(QObject* parent = nullptr);
    ~ProgressWatcher() override;

Q_SIGNALS:
    void started();
    void progressMessage(QString message);
    void progressStatus(uint progress);
    void finished();
};

} // namespace TQ

Q_DECLARE_METATYPE(TQ::ProgressWatcher::Ptr)
