#pragma once

#include <QPointer>

namespace Rirediro {
class CommandManager;
}

// Bundles a script's edits of a project into one step of the project's undo
// history, and steps that history back and forth. Copies act on the same
// history: whether a bundle is open is the history's business.
//
// Once the project's history has gone (the project was closed), every
// operation throws VUVI_BadState "Invalid object".
class UndoGroup
{
public:
    UndoGroup() = default;
    explicit UndoGroup(Rirediro::CommandManager* commandManager);
    virtual ~UndoGroup();

    // Opens a bundle.
    void begin();
    // Closes the open bundle, keeping its edits as one step.
    void commit();
    // Closes the open bundle, taking its edits back.
    void rollback();
    // Undo or redo one step; nothing when there is none.
    void undo();
    void redo();

private:
    Rirediro::CommandManager& manager() const;

    QPointer<Rirediro::CommandManager> m_commandManager;
};
