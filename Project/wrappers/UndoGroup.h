#pragma once

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;
namespace Rirediro {
class CommandManager;
}

// Bundles a script's edits of a project into one step of the project's undo
// history, and steps that history back and forth. Copies act on the same
// history: whether a bundle is open is the history's business.
//
// Once the project's history has gone (the project was closed), every
// operation throws VUVI_BadState "Invalid object". An operation that runs
// keeps the project's core alive until it returns, whatever another thread
// closes meanwhile.
class UndoGroup
{
public:
    UndoGroup() = default;
    explicit UndoGroup(const boost::shared_ptr<VUVI_ProjectManager>& project);
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
    // The project's core, shared for the length of one operation.
    boost::shared_ptr<VUVI_ProjectManager> project() const;

    boost::weak_ptr<VUVI_ProjectManager> m_project;
};
