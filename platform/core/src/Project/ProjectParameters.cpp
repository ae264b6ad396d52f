#include "Rirediro/Clips/VUVI_Clip.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"

// The project's clips show under its root set; each clip owns its own set.
QVector<Prm::ParameterSet*> VUVI_ProjectManager::shownSubsets() const
{
    QVector<Prm::ParameterSet*> clips;
    if (!m_frameManager)
        return clips;
    for (VUVI_Clip* clip : m_frameManager->clips())
        clips.append(clip);
    return clips;
}
