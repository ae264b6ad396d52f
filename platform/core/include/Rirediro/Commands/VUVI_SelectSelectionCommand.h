#pragma once

#include "Rirediro/Commands/Command.h"
#include "Rirediro/ErrorHandling/VUVI_ErrorDetector.h"

#include <QHash>
#include <QSet>

class VUVI_ProjectManager;

// Makes one layer the selection: every other node is unselected, and the
// layer becomes the tool manager's current layer. `contourId` names the
// contour picked on the layer (every other contour of the project is
// unpicked); AllContours picks the layer as a whole, every contour of it.
// Undo puts the previous selection, picks and current layer back. A layer
// that is gone by the time the command runs leaves nothing selected.
class VUVI_SelectSelectionCommand : public Rirediro::Command
{
public:
    static constexpr unsigned int AllContours = 4294967295u;

    VUVI_SelectSelectionCommand(VUVI_ProjectManager* pProjectMgr, const Prm::Context& context, unsigned int layerId,
                                unsigned int contourId)
    {
        VUVI_ErrorDetector::instance()->checkNotNull(
            pProjectMgr != nullptr, QStringLiteral("Rirediro/CommandManager/VUVI_SelectSelectionCommand"), 22,
            QStringLiteral("pProjectMgr != __null"), QStringLiteral("Unexpected NULL Pointer:pProjectMgr"));
        m_projectManager = pProjectMgr;
        m_context = context;
        m_layerId = layerId;
        m_contourId = contourId;
    }

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

    const Prm::Context& context() const { return m_context; }
    unsigned int layerId() const { return m_layerId; }
    unsigned int contourId() const { return m_contourId; }

private:
    VUVI_ProjectManager* m_projectManager = nullptr;
    Prm::Context m_context{Prm::Time::fromDouble(0.0), Prm::View(Prm::View::defaultViewId()), 3};
    unsigned int m_layerId = 0;
    unsigned int m_contourId = 0;
    // What the last run changed, for undo: the states by node id, the
    // picked contours' ids and the current layer's id (0 for none).
    QHash<unsigned int, int> m_previousStates;
    QSet<unsigned int> m_previousPicks;
    unsigned int m_previousCurrentLayer = 0;
};
