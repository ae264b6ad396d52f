#include "UndoGroup.h"

#include "PyHandle.h"

#include <Rirediro/Commands/CommandManager.h>

UndoGroup::UndoGroup(Rirediro::CommandManager* commandManager) : m_commandManager(commandManager)
{
}

UndoGroup::~UndoGroup() = default;

Rirediro::CommandManager& UndoGroup::manager() const
{
    if (!m_commandManager)
        detail::throwInvalidObject();
    return *m_commandManager;
}

void UndoGroup::begin()
{
    manager().macroBegin();
}

void UndoGroup::commit()
{
    manager().macroCommit();
}

void UndoGroup::rollback()
{
    manager().macroRollback();
}

void UndoGroup::undo()
{
    Rirediro::CommandManager& history = manager();
    if (history.bCanUnDo()) {
        bool done = false;
        history.vUnDo(done);
    }
}

void UndoGroup::redo()
{
    Rirediro::CommandManager& history = manager();
    if (history.bCanReDo()) {
        bool done = false;
        history.vReDo(done);
    }
}
