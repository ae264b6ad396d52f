#include "TreeCommands.h"

#include "Rirediro/Commands/CommandManager.h"
#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <Bsc/Command.h>

#include <QCoreApplication>

namespace Rirediro {

namespace {

// The group of that id; the root for 0 or for a group that is gone.
boost::shared_ptr<LayerGroup> groupOrRoot(VUVI_SelectionManager& selection, unsigned int id)
{
    if (id != 0) {
        if (auto group = boost::dynamic_pointer_cast<LayerGroup>(selection.layerFromID(QString::number(id))))
            return group;
    }
    return selection.layerRoot();
}

} // namespace

void runTreeCommand(const boost::weak_ptr<VUVI_ProjectManager>& project, std::unique_ptr<Command> command,
                    Bsc::CompositeCommand* macro)
{
    const boost::shared_ptr<VUVI_ProjectManager> owner = project.lock();
    if (!owner)
        return;
    if (macro) {
        command->doIt();
        macro->push_back(std::move(command));
    } else {
        owner->commandManager()->executeAndLog(boost::shared_ptr<Command>(std::move(command)), owner->currentFrame(),
                                               true, true);
    }
}

// ---- RemoveLayerCommand -------------------------------------------------------------

RemoveLayerCommand::RemoveLayerCommand(const VUVI_Layer& layer)
    : m_project(layer.projectManager()), m_id(layer.layerID())
{
}

void RemoveLayerCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project)
        return;
    const boost::shared_ptr<VUVI_Layer> layer = project->selectionManager()->findLayer(m_id, false);
    m_done = layer != nullptr;
    if (!layer)
        return;
    m_removed = recordOf(*layer);
    layer->parentGroup()->removeChild(*layer);
}

void RemoveLayerCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (project && m_done)
        restore(m_removed, *project->selectionManager(), m_project);
}

QString RemoveLayerCommand::name() const
{
    return QCoreApplication::translate("Rirediro::CommandManager", "Delete layer");
}

// ---- SetLayerParentCommand ----------------------------------------------------------

SetLayerParentCommand::SetLayerParentCommand(const VUVI_Layer& layer, const LayerGroup* group, unsigned int position)
    : m_project(layer.projectManager()), m_id(layer.layerID()), m_groupID(group ? group->layerID() : 0),
      m_position(position)
{
}

void SetLayerParentCommand::doIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project)
        return;
    VUVI_SelectionManager& selection = *project->selectionManager();
    const boost::shared_ptr<VUVI_Layer> layer = selection.findLayer(m_id, false);
    if (!layer)
        return;
    const boost::shared_ptr<LayerGroup> oldGroup = layer->parentGroup();
    m_oldGroupID = oldGroup ? oldGroup->layerID() : 0;
    m_oldIndex = layer->depthPosition();
    const int position = m_position > unsigned(INT_MAX) ? INT_MAX : int(m_position);
    groupOrRoot(selection, m_groupID)->placeChild(layer, position);
}

void SetLayerParentCommand::undoIt()
{
    const boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project)
        return;
    VUVI_SelectionManager& selection = *project->selectionManager();
    if (const boost::shared_ptr<VUVI_Layer> layer = selection.findLayer(m_id, false))
        groupOrRoot(selection, m_oldGroupID)->insertChild(layer, m_oldIndex);
}

QString SetLayerParentCommand::name() const
{
    return QCoreApplication::translate("Rirediro::CommandManager", "Move layer");
}

} // namespace Rirediro
