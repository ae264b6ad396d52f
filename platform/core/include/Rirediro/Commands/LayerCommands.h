#pragma once

// The core's commands that edit the layer tree. Each finds its node by id
// when it runs, so that undo and redo work on nodes that were taken out
// and put back in between; a node that is gone by then is left alone.

#include "Rirediro/Commands/Command.h"

#include <Rirediro/Clips/ClipID.h>

#include <QString>

#include <memory>
#include <vector>

class VUVI_ProjectManager;

namespace Bsc {
class CompositeCommand;
}

namespace Rirediro {

struct LayerRecord;

// Makes a layer on a clip, at the front of the top level, named `name`,
// spanning the project from the context's frame on in each of its views
// (the context's view unless setViews says otherwise). Undo takes the layer
// out, so references to it expire; redo puts it back with the same id.
// With `select` the new layer becomes the selection.
class NewLayerCommand : public Command
{
public:
    NewLayerCommand(VUVI_ProjectManager& project, bool select, TQ::ClipID clip, const Prm::Context& context,
                    const QString& name);
    ~NewLayerCommand() override;

    const std::vector<Prm::View>& views() const { return m_views; }
    void setViews(const std::vector<Prm::View>& views) { m_views = views; }
    // The new layer's id; 0 before the first run.
    unsigned int layerID() const { return m_layerID; }

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    VUVI_ProjectManager& m_project;
    bool m_select;
    TQ::ClipID m_clip;
    Prm::Context m_context;
    QString m_name;
    std::vector<Prm::View> m_views;
    unsigned int m_layerID = 0;
    std::unique_ptr<LayerRecord> m_undone; // the layer as undo took it out
};

// Renames the layer or group with that id.
class SetLayerNameCommand : public Command
{
public:
    SetLayerNameCommand(VUVI_ProjectManager& project, const QString& id, const QString& name);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    VUVI_ProjectManager& m_project;
    QString m_id;
    QString m_newName;
    QString m_oldName;
};

// Moves the layer or group with that id, within its group, before the node
// now at `position` (last past the end).
class MoveLayerToDepthPositionCommand : public Command
{
public:
    MoveLayerToDepthPositionCommand(VUVI_ProjectManager& project, const QString& id, int position);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    VUVI_ProjectManager& m_project;
    QString m_id;
    int m_position;
    int m_oldIndex = -1;
};

// Unselects a layer; undo gives it its previous selection state back.
class UnselectLayerCommand : public Command
{
public:
    UnselectLayerCommand(VUVI_ProjectManager* project, const Prm::Context& context, unsigned int layerId,
                         unsigned int contourId);

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    VUVI_ProjectManager* m_project;
    Prm::Context m_context;
    unsigned int m_layerId;
    unsigned int m_contourId;
    int m_previousState = 0;
};

// Edits of parameters, run and undone as one command.
class ParameterChangeCommand : public Command
{
public:
    explicit ParameterChangeCommand(std::unique_ptr<Bsc::CompositeCommand> edits);
    ~ParameterChangeCommand() override;

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override;

private:
    std::unique_ptr<Bsc::CompositeCommand> m_edits;
};

} // namespace Rirediro
