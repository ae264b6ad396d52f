#pragma once

#include "Rirediro/Commands/Command.h"
#include "Rirediro/Commands/CommandManager.h"
#include "Rirediro/Layers/LayerBase.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <QColor>

namespace Rirediro {

// Changes one colour of a layer or group: `setter` is the node's setter of
// that colour. The creator stores the new colour before the command runs.
//
// The command finds its node again by id each time it runs, so that it
// keeps working when the node has been taken out and put back (an undone
// removal) and does nothing once the node is gone for good.
class ChangeColorCommand : public Command
{
public:
    using Setter = void (LayerBase::*)(const QColor&);

    ChangeColorCommand(LayerBase& base, const QColor& oldColour, Setter setter)
        : m_id(base.id()), m_project(base.projectManager()), m_oldColour(oldColour), m_setter(setter)
    {
    }

    void setNewColour(const QColor& colour) { m_newColour = colour; }
    const QColor& newColour() const { return m_newColour; }
    const QColor& oldColour() const { return m_oldColour; }

    void doIt() override { apply(m_newColour); }
    void undoIt() override { apply(m_oldColour); }
    ~ChangeColorCommand() override = default;
    bool canUndo() const override { return true; }
    QString name() const override { return CommandManager::staticMetaObject.tr("Layer color change", nullptr); }

private:
    void apply(const QColor& colour) const
    {
        const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
        if (!project)
            return;
        if (const boost::shared_ptr<LayerBase> base = project->selectionManager()->layerFromID(m_id))
            ((*base).*m_setter)(colour);
    }

    QString m_id;
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    QColor m_oldColour;
    QColor m_newColour;
    Setter m_setter;
};

} // namespace Rirediro
