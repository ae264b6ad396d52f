#pragma once

// The commands by which the core records the edits of the layer tree that
// it is asked for without a command of the caller's: removals and moves
// into other groups.

#include "LayerRecord.h"

#include "Rirediro/Commands/Command.h"

#include <memory>

class VUVI_Layer;

namespace Bsc {
class CompositeCommand;
}

namespace Rirediro {

class LayerGroup;

// Runs the command into `macro` when given, else logs it as an undo step of
// the project's. Nothing happens once the project is gone.
void runTreeCommand(const boost::weak_ptr<VUVI_ProjectManager>& project, std::unique_ptr<Command> command,
                    Bsc::CompositeCommand* macro);

// Takes a layer out of the tree. It keeps a record of the layer, never the
// layer itself, so that references to the layer expire; undo makes the
// layer anew from the record, with its id, in its place.
class RemoveLayerCommand : public Command
{
public:
    explicit RemoveLayerCommand(const VUVI_Layer& layer);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    unsigned int m_id;
    LayerRecord m_removed;
    bool m_done = false;
};

// Moves a layer into a group (or the top level), before the node now at
// `position` there.
class SetLayerParentCommand : public Command
{
public:
    SetLayerParentCommand(const VUVI_Layer& layer, const LayerGroup* group, unsigned int position);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    unsigned int m_id;
    unsigned int m_groupID; // 0: the top level
    unsigned int m_position;
    unsigned int m_oldGroupID = 0;
    int m_oldIndex = -1;
};

} // namespace Rirediro
