#include "ProcessingModules.h"

ProcessingModules& ProcessingModules::get()
{
    static ProcessingModules modules;
    return modules;
}

QString ProcessingModules::toModuleName(const QString& name)
{
    return name.simplified().toLower();
}

void ProcessingModules::addNewModule(const QString& name, _TQ_MODULE module)
{
    m_modules.insert(toModuleName(name), module);
}

void ProcessingModules::removeModule(const QString& name)
{
    m_modules.remove(toModuleName(name));
}

void ProcessingModules::resetModules()
{
    m_modules.clear();
    addNewModule(QStringLiteral("Track"), TQ_MODULE_TRACK);
    addNewModule(QStringLiteral("Camera Solve"), TQ_MODULE_CAMERA_SOLVE);
    addNewModule(QStringLiteral("Insert"), TQ_MODULE_INSERT);
    addNewModule(QStringLiteral("Remove"), TQ_MODULE_REMOVE);
    addNewModule(QStringLiteral("Stabilize"), TQ_MODULE_STABILIZE);
}
