#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <QString>

class VUVI_ProjectManager;

// Names and parameter sets of a project's objects.
class VUVI_ParameterManager
{
public:
    explicit VUVI_ParameterManager(VUVI_ProjectManager& project);
    virtual ~VUVI_ParameterManager();
    VUVI_ParameterManager(const VUVI_ParameterManager&) = delete;
    VUVI_ParameterManager& operator=(const VUVI_ParameterManager&) = delete;

    // Renames a clip of the project; an unknown id changes nothing.
    virtual void vSetClipName(TQ::ClipID id, const QString& name);

private:
    VUVI_ProjectManager& m_project;
};
