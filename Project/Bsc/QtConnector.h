#pragma once

#include <QObject>
#include <QPointer>

namespace Bsc {

// One Qt connection that lasts as long as this object: made on construction
// when both ends exist, undone on destruction while both ends still live.
class QtConnector
{
public:
    QtConnector(QObject* sender, const char* signal, QObject* receiver, const char* method)
    {
        if (!sender || !receiver)
            return;
        m_sender = sender;
        m_signal = signal;
        m_receiver = receiver;
        m_method = method;
        m_connected = bool(QObject::connect(sender, signal, receiver, method, Qt::AutoConnection));
    }
    ~QtConnector()
    {
        // A dead end has taken its connections with it already.
        if (m_connected && m_sender && m_receiver)
            QObject::disconnect(m_sender.data(), m_signal, m_receiver.data(), m_method);
    }
    QtConnector(const QtConnector&) = delete;
    QtConnector& operator=(const QtConnector&) = delete;

    bool isConnected() const { return m_connected; }

private:
    QPointer<QObject> m_sender;
    const char* m_signal = nullptr;
    QPointer<QObject> m_receiver;
    const char* m_method = nullptr;
    bool m_connected = false;
};

} // namespace Bsc
