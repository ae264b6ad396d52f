#pragma once

#include <TQ/Modules.h>

#include <QHash>
#include <QString>

// The processing modules of the process by name ("track", "camera solve"...).
class ProcessingModules
{
public:
    static ProcessingModules& get();

    // Names compare with blanks simplified and in lower case.
    static QString toModuleName(const QString& name);

    void addNewModule(const QString& name, _TQ_MODULE module);
    void removeModule(const QString& name);
    // Back to the five standard modules.
    void resetModules();
    const QHash<QString, _TQ_MODULE>& currentModules() const { return m_modules; }

private:
    QHash<QString, _TQ_MODULE> m_modules;
};
