#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <QString>

class TQ_CameraParameterSet;
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

    // The parameter set of kind T that a base clip of the project has
    // (TQ_CameraParameterSet); null for a base clip the project lacks.
    template <typename T>
    T* pGetClipParameters(unsigned int baseClipID) const;

private:
    VUVI_ProjectManager& m_project;
};

template <>
TQ_CameraParameterSet* VUVI_ParameterManager::pGetClipParameters<TQ_CameraParameterSet>(unsigned int baseClipID) const;
