#pragma once

#include <QObject>
#include <QString>

namespace GUI {

// Brings the GUI to the state the command line asked for: opens the project
// file, or creates a project from the input clip.
class StartupManager : public QObject
{
    Q_OBJECT
public:
    explicit StartupManager(QObject* parent = nullptr);

    bool isConfigured() const { return m_configured; }
    void configure(const QString& projectFileName, const QString& inputClipName);
    void start();

    const QString& projectFileName() const { return m_projectFileName; }
    const QString& inputClipName() const { return m_inputClipName; }

signals:
    void started(const QString& projectFileName, const QString& inputClipName);

private:
    bool m_configured = false;
    QString m_projectFileName;
    QString m_inputClipName;
};

} // namespace GUI
