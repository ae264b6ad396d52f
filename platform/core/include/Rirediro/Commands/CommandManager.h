#pragma once

#include <Prm/Context.h>

#include <QObject>
#include <QString>
#include <QStringList>

#include <boost/shared_ptr.hpp>

#include <memory>
#include <vector>

namespace Bsc {
class Command;
class CompositeCommand;
} // namespace Bsc

namespace Rirediro {

// The undo history of a project. Every edit runs through executeAndLog,
// which runs the command once and records it as one undo step; macros
// bundle the commands run between macroBegin and macroCommit into a single
// step, or take them back with macroRollback.
//
// Macros nest: commands join the innermost open macro; committing an inner
// macro hands its commands to the one around it, and only the outermost
// commit makes a step (none when nothing ran). A commit or rollback without
// an open macro does nothing. Undo and redo wait while a macro is open.
//
// The manager keeps a journal of the calls made on it, which tests read.
class CommandManager : public QObject
{
    Q_OBJECT
public:
    explicit CommandManager(QObject* parent = nullptr);
    ~CommandManager() override;

    // Runs the command once (doIt), at the frame `context`. With `record`
    // it becomes an undo step, or part of the open macro, and the steps
    // that could be redone are dropped; without, it stays out of the
    // history. With `markChanged` the project counts as edited
    // (projectEdited). A command that throws is not recorded and the
    // exception goes on. A core command (Rirediro::Command) first learns
    // the frame it runs at (setFrameCommandAdded).
    void executeAndLog(const boost::shared_ptr<Bsc::Command>& command, const Prm::Context& context, bool record,
                       bool markChanged);

    void macroBegin();
    void macroCommit();
    // Undoes the commands of the innermost open macro, newest first, and
    // forgets them. When one cannot be undone, the state is as before the
    // rollback and its commands are kept as if committed.
    void macroRollback();
    int macroDepth() const { return int(m_openMacros.size()); }

    bool bCanUnDo() const;
    bool bCanReDo() const;
    // Undo and redo the last step; `ok` tells whether a step moved. A
    // command that throws leaves the history as it was.
    void vUnDo(bool& ok);
    void vReDo(bool& ok);
    int undoCount() const { return int(m_undo.size()); }
    int redoCount() const { return int(m_redo.size()); }

    // Forgets the whole history and any open macros; the edits stay made.
    void clear();

    // The calls made so far, oldest first: "executeAndLog <command's usage
    // text, or a core command's name> at <time> in view <id>", "macroBegin", "macroCommit",
    // "macroRollback", "vUnDo", "vReDo", "clear".
    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

signals:
    // The project's state was changed by a command: run, undone, redone or
    // rolled back.
    void projectEdited();

private:
    using Step = std::unique_ptr<Bsc::CompositeCommand>;

    // Closes the innermost macro keeping its commands: in the macro around
    // it, else as a step of its own (none when it is empty).
    void keepInnermostMacro();
    // Runs the last step of `from` one way (undo or redo) and moves it to
    // `to`; a step that throws stays where it was.
    void moveLastStep(std::vector<Step>& from, std::vector<Step>& to, void (Bsc::Command::*run)());

    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    std::vector<Step> m_openMacros; // innermost last
    QStringList m_journal;
};

} // namespace Rirediro
