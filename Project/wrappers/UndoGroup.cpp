#include "UndoGroup.h"

#include "PyHandle.h"

#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

UndoGroup::UndoGroup(const boost::shared_ptr<VUVI_ProjectManager>& project) : m_project(project) {}

UndoGroup::~UndoGroup() = default;

boost::shared_ptr<VUVI_ProjectManager> UndoGroup::project() const
{
    boost::shared_ptr<VUVI_ProjectManager> project = m_project.lock();
    if (!project || !project->commandManager())
        detail::throwInvalidObject();
    return project;
}

void UndoGroup::begin()
{
    project()->commandManager()->macroBegin();
}

void UndoGroup::commit()
{
    project()->commandManager()->macroCommit();
}

void UndoGroup::rollback()
{
    project()->commandManager()->macroRollback();
}

void UndoGroup::undo()
{
    const auto kept = project();
    Rirediro::CommandManager& history = *kept->commandManager();
    if (history.bCanUnDo()) {
        bool done = false;
        history.vUnDo(done);
    }
}

void UndoGroup::redo()
{
    const auto kept = project();
    Rirediro::CommandManager& history = *kept->commandManager();
    if (history.bCanReDo()) {
        bool done = false;
        history.vReDo(done);
    }
}
