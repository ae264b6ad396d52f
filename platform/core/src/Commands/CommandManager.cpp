#include "Rirediro/Commands/CommandManager.h"

#include "Rirediro/Commands/Command.h"

#include <Bsc/Command.h>
#include <Bsc/Logger.h>

namespace Rirediro {

namespace {

// A logged command as a child of a step. The step shares the command with
// whoever made it, who may still add to it (a macro command filled in
// after it ran); undo and redo then see the addition.
class LoggedCommand : public Bsc::Command
{
public:
    explicit LoggedCommand(boost::shared_ptr<Bsc::Command> command) : m_command(std::move(command)) {}

    void doIt() override { m_command->doIt(); }
    void undoIt() override { m_command->undoIt(); }
    QString usageLogInfo() const override { return m_command->usageLogInfo(); }

private:
    boost::shared_ptr<Bsc::Command> m_command;
};

// What the journal and the step call a command: its usage text, or the
// name of a core command that has none.
QString labelOf(const Bsc::Command& command)
{
    const QString usage = command.usageLogInfo();
    if (usage.isEmpty()) {
        if (const auto* coreCommand = dynamic_cast<const Command*>(&command))
            return coreCommand->name();
    }
    return usage;
}

} // namespace

CommandManager::CommandManager(QObject* parent) : QObject(parent)
{
}

CommandManager::~CommandManager() = default;

void CommandManager::executeAndLog(const boost::shared_ptr<Bsc::Command>& command, const Prm::Context& context,
                                   bool record, bool markChanged)
{
    const QString label = command ? labelOf(*command) : QString();
    m_journal.append(QStringLiteral("executeAndLog %1 at %2 in view %3")
                         .arg(label)
                         .arg(context.time.toDouble())
                         .arg(context.view.id()));
    if (!command)
        return;
    if (auto* coreCommand = dynamic_cast<Command*>(command.get()))
        coreCommand->setFrameCommandAdded(context);
    command->doIt();
    if (record) {
        auto logged = std::make_unique<LoggedCommand>(command);
        if (!m_openMacros.empty()) {
            m_openMacros.back()->push_back(std::move(logged));
        } else {
            auto step = std::make_unique<Bsc::CompositeCommand>(label);
            step->push_back(std::move(logged));
            m_undo.push_back(std::move(step));
        }
        m_redo.clear();
    }
    if (markChanged)
        emit projectEdited();
}

void CommandManager::macroBegin()
{
    m_journal.append(QStringLiteral("macroBegin"));
    m_openMacros.push_back(std::make_unique<Bsc::CompositeCommand>());
}

void CommandManager::macroCommit()
{
    m_journal.append(QStringLiteral("macroCommit"));
    if (!m_openMacros.empty())
        keepInnermostMacro();
}

void CommandManager::keepInnermostMacro()
{
    Step macro = std::move(m_openMacros.back());
    m_openMacros.pop_back();
    if (macro->empty())
        return;
    if (!m_openMacros.empty())
        m_openMacros.back()->push_back(std::move(macro));
    else
        m_undo.push_back(std::move(macro));
}

void CommandManager::macroRollback()
{
    m_journal.append(QStringLiteral("macroRollback"));
    if (m_openMacros.empty())
        return;
    try {
        m_openMacros.back()->undoIt();
    } catch (...) {
        // The macro has redone what it undid: its commands stand, so the
        // history keeps them.
        keepInnermostMacro();
        throw;
    }
    const bool edited = !m_openMacros.back()->empty();
    m_openMacros.pop_back();
    if (edited)
        emit projectEdited();
}

bool CommandManager::bCanUnDo() const
{
    return m_openMacros.empty() && !m_undo.empty();
}

bool CommandManager::bCanReDo() const
{
    return m_openMacros.empty() && !m_redo.empty();
}

void CommandManager::vUnDo(bool& ok)
{
    m_journal.append(QStringLiteral("vUnDo"));
    ok = false; // and so it stays when the step throws
    if (bCanUnDo()) {
        moveLastStep(m_undo, m_redo, &Bsc::Command::undoIt);
        ok = true;
    }
}

void CommandManager::vReDo(bool& ok)
{
    m_journal.append(QStringLiteral("vReDo"));
    ok = false; // and so it stays when the step throws
    if (bCanReDo()) {
        moveLastStep(m_redo, m_undo, &Bsc::Command::doIt);
        ok = true;
    }
}

void CommandManager::moveLastStep(std::vector<Step>& from, std::vector<Step>& to, void (Bsc::Command::*run)())
{
    (from.back().get()->*run)();
    to.push_back(std::move(from.back()));
    from.pop_back();
    emit projectEdited();
}

void CommandManager::clear()
{
    m_journal.append(QStringLiteral("clear"));
    Bsc::Logger::writeToLog(QStringLiteral("call Rirediro::CommandManager::clear"), Bsc::Logger::Debug);
    m_undo.clear();
    m_redo.clear();
    m_openMacros.clear();
}

} // namespace Rirediro
