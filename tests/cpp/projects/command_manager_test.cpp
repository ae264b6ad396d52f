// The undo history of projects: logged commands, the redo branch, nested
// macros, failures, clearing and the journal.

#include <Bsc/Command.h>
#include <Rirediro/Commands/CommandManager.h>

#include <QSignalSpy>

#include <boost/make_shared.hpp>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Rirediro::CommandManager;

// A document of numbers; each command appends one and takes it away again.
struct Document
{
    QList<int> numbers;
};

class Append : public Bsc::Command
{
public:
    Append(Document& document, int number) : m_document(document), m_number(number) {}

    void doIt() override
    {
        if (m_failDo)
            throw std::runtime_error("cannot do");
        m_document.numbers.append(m_number);
    }
    void undoIt() override
    {
        if (m_failUndo)
            throw std::runtime_error("cannot undo");
        m_document.numbers.removeLast();
    }
    QString usageLogInfo() const override { return QStringLiteral("append %1").arg(m_number); }

    bool m_failDo = false;
    bool m_failUndo = false;

private:
    Document& m_document;
    int m_number;
};

const Prm::Context at12(Prm::Time::fromDouble(12.0), Prm::View(1), 3);

class CommandManagerTest : public ::testing::Test
{
protected:
    boost::shared_ptr<Append> run(int number)
    {
        auto command = boost::make_shared<Append>(document, number);
        manager.executeAndLog(command, at12, true, true);
        return command;
    }
    void undo()
    {
        bool ok = false;
        manager.vUnDo(ok);
        EXPECT_TRUE(ok);
    }
    void redo()
    {
        bool ok = false;
        manager.vReDo(ok);
        EXPECT_TRUE(ok);
    }

    Document document;
    CommandManager manager;
};

TEST_F(CommandManagerTest, EachCommandRunsOnceAndIsOneStep)
{
    run(1);
    run(2);
    EXPECT_EQ(document.numbers, (QList<int>{1, 2}));
    EXPECT_EQ(manager.undoCount(), 2);

    undo();
    EXPECT_EQ(document.numbers, (QList<int>{1}));
    undo();
    EXPECT_TRUE(document.numbers.isEmpty());
    EXPECT_FALSE(manager.bCanUnDo());
    redo();
    redo();
    EXPECT_EQ(document.numbers, (QList<int>{1, 2}));
    EXPECT_FALSE(manager.bCanReDo());
}

TEST_F(CommandManagerTest, AnEmptyHistoryMovesNothing)
{
    bool ok = true;
    manager.vUnDo(ok);
    EXPECT_FALSE(ok);
    ok = true;
    manager.vReDo(ok);
    EXPECT_FALSE(ok);
}

TEST_F(CommandManagerTest, ANewCommandDropsTheRedoBranch)
{
    run(1);
    run(2);
    undo();
    run(3);
    EXPECT_FALSE(manager.bCanReDo());
    undo();
    undo();
    EXPECT_TRUE(document.numbers.isEmpty());
}

TEST_F(CommandManagerTest, ACommandThatThrowsIsNotRecorded)
{
    run(1);
    undo();
    auto failing = boost::make_shared<Append>(document, 2);
    failing->m_failDo = true;
    EXPECT_THROW(manager.executeAndLog(failing, at12, true, true), std::runtime_error);
    EXPECT_EQ(manager.undoCount(), 0);
    EXPECT_TRUE(manager.bCanReDo()) << "a failed command changes no history";
}

TEST_F(CommandManagerTest, AnUndoThatThrowsLeavesTheHistory)
{
    run(1)->m_failUndo = true;
    bool ok = true;
    EXPECT_THROW(manager.vUnDo(ok), std::runtime_error);
    EXPECT_FALSE(ok);
    EXPECT_EQ(manager.undoCount(), 1);
    EXPECT_EQ(manager.redoCount(), 0);
}

TEST_F(CommandManagerTest, UnrecordedCommandsRunOutsideTheHistory)
{
    QSignalSpy edited(&manager, &CommandManager::projectEdited);
    manager.executeAndLog(boost::make_shared<Append>(document, 7), at12, false, false);
    EXPECT_EQ(document.numbers, (QList<int>{7}));
    EXPECT_EQ(manager.undoCount(), 0);
    EXPECT_EQ(edited.count(), 0);
}

TEST_F(CommandManagerTest, AMacroIsOneStep)
{
    run(1);
    manager.macroBegin();
    run(2);
    run(3);
    EXPECT_FALSE(manager.bCanUnDo()) << "no undo while a macro is open";
    manager.macroCommit();
    EXPECT_EQ(manager.undoCount(), 2);
    undo();
    EXPECT_EQ(document.numbers, (QList<int>{1}));
    redo();
    EXPECT_EQ(document.numbers, (QList<int>{1, 2, 3}));
}

TEST_F(CommandManagerTest, NestedMacrosMakeOneStepAtTheOutermostCommit)
{
    manager.macroBegin();
    run(1);
    manager.macroBegin();
    run(2);
    manager.macroCommit();
    EXPECT_EQ(manager.undoCount(), 0);
    run(3);
    manager.macroCommit();
    EXPECT_EQ(manager.undoCount(), 1);
    undo();
    EXPECT_TRUE(document.numbers.isEmpty());
}

TEST_F(CommandManagerTest, RollbackUndoesOnlyTheInnermostMacro)
{
    manager.macroBegin();
    run(1);
    manager.macroBegin();
    run(2);
    run(3);
    manager.macroRollback();
    EXPECT_EQ(document.numbers, (QList<int>{1}));
    EXPECT_EQ(manager.macroDepth(), 1);
    manager.macroCommit();
    EXPECT_EQ(manager.undoCount(), 1);
    undo();
    EXPECT_TRUE(document.numbers.isEmpty());
}

TEST_F(CommandManagerTest, ARollbackThatCannotUndoKeepsTheCommands)
{
    manager.macroBegin();
    run(1);
    run(2)->m_failUndo = true;
    EXPECT_THROW(manager.macroRollback(), std::runtime_error);
    EXPECT_EQ(document.numbers, (QList<int>{1, 2}));
    EXPECT_EQ(manager.macroDepth(), 0);
    EXPECT_EQ(manager.undoCount(), 1) << "the state stands, and so does its step";
}

TEST_F(CommandManagerTest, UnmatchedAndEmptyMacrosChangeNothing)
{
    run(1);
    manager.macroCommit();
    manager.macroRollback();
    manager.macroBegin();
    manager.macroCommit();
    EXPECT_EQ(manager.undoCount(), 1);
    EXPECT_EQ(document.numbers, (QList<int>{1}));
    EXPECT_EQ(manager.macroDepth(), 0);
}

TEST_F(CommandManagerTest, CommandsAddedToAfterLoggingUndoWhole)
{
    // A macro command that is filled in after it ran.
    auto macro = boost::make_shared<Bsc::CompositeCommand>(QStringLiteral("Constrain"));
    macro->push_back(new Append(document, 1));
    manager.executeAndLog(macro, at12, true, true);
    auto late = new Append(document, 2);
    late->doIt();
    macro->push_back(late);
    undo();
    EXPECT_TRUE(document.numbers.isEmpty());
    redo();
    EXPECT_EQ(document.numbers, (QList<int>{1, 2}));
}

TEST_F(CommandManagerTest, ClearForgetsHistoryAndMacrosButNotTheEdits)
{
    run(1);
    run(2);
    undo();
    manager.macroBegin();
    run(3);
    manager.clear();
    EXPECT_FALSE(manager.bCanUnDo());
    EXPECT_FALSE(manager.bCanReDo());
    EXPECT_EQ(manager.macroDepth(), 0);
    EXPECT_EQ(document.numbers, (QList<int>{1, 3}));
}

TEST_F(CommandManagerTest, EditsAreAnnouncedAndCallsJournalled)
{
    QSignalSpy edited(&manager, &CommandManager::projectEdited);
    run(1);
    manager.macroBegin();
    run(2);
    manager.macroRollback();
    undo();
    redo();
    manager.clear();
    EXPECT_EQ(edited.count(), 5) << "run, run, rollback, undo, redo";
    EXPECT_EQ(manager.journal(),
              (QStringList{"executeAndLog append 1 at 12 in view 1", "macroBegin", "executeAndLog append 2 at 12 in view 1",
                           "macroRollback", "vUnDo", "vReDo", "clear"}));
}

} // namespace
