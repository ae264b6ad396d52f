// Undo groups: bundles of edits as one step of a project's history.

#include "ProjectTestSupport.h"

#include <Bsc/Command.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Project/ProjectProperties.h>

#include <QTemporaryDir>

#include <boost/make_shared.hpp>

#include <stdexcept>

using namespace projecttest;

namespace {

// An undoable edit of the notes, as later edit commands will be.
class AppendToNotes : public Bsc::Command
{
public:
    AppendToNotes(ProjectProperties& properties, QString text) : m_properties(properties), m_text(std::move(text)) {}
    void doIt() override
    {
        m_before = m_properties.getProjectNotes();
        m_properties.setProjectNotes(m_before + m_text);
    }
    void undoIt() override { m_properties.setProjectNotes(m_before); }

private:
    ProjectProperties& m_properties;
    QString m_text;
    QString m_before;
};

class UndoGroupTest : public ::testing::Test
{
protected:
    UndoGroupTest() : m_made(m_dir.path(), 1, 2) {}

    void edit(const QString& text)
    {
        VUVI_ProjectManager& core = m_made.core();
        core.commandManager()->executeAndLog(boost::make_shared<AppendToNotes>(core.projectProperties(), text),
                                             core.currentFrame(), true, true);
    }
    QString notes() const { return m_made.project->get_notes(); }
    Rirediro::CommandManager& history() { return *m_made.core().commandManager(); }

    QTemporaryDir m_dir;
    ProjectOfSequence m_made;
};

TEST_F(UndoGroupTest, ACommittedGroupIsOneStep)
{
    UndoGroup group = m_made.project->undo_group();
    edit(QStringLiteral("a"));
    group.begin();
    edit(QStringLiteral("b"));
    edit(QStringLiteral("c"));
    group.commit();
    EXPECT_EQ(notes(), QStringLiteral("abc"));
    group.undo();
    EXPECT_EQ(notes(), QStringLiteral("a"));
    group.redo();
    EXPECT_EQ(notes(), QStringLiteral("abc"));
    EXPECT_EQ(history().journal().filter(QStringLiteral("macro")),
              (QStringList{QStringLiteral("macroBegin"), QStringLiteral("macroCommit")}));
}

TEST_F(UndoGroupTest, ARolledBackGroupLeavesNoTrace)
{
    UndoGroup group = m_made.project->undo_group();
    edit(QStringLiteral("a"));
    group.begin();
    edit(QStringLiteral("b"));
    group.rollback();
    EXPECT_EQ(notes(), QStringLiteral("a"));
    EXPECT_EQ(history().undoCount(), 1);
    EXPECT_FALSE(history().bCanReDo());
}

TEST_F(UndoGroupTest, CopiesShareTheHistory)
{
    UndoGroup group = m_made.project->undo_group();
    const UndoGroup copy = group;
    group.begin();
    edit(QStringLiteral("x"));
    UndoGroup(copy).commit();
    EXPECT_EQ(history().macroDepth(), 0);
    EXPECT_EQ(history().undoCount(), 1);
}

TEST_F(UndoGroupTest, NothingToUndoOrRedoCallsNothing)
{
    UndoGroup group = m_made.project->undo_group();
    history().clearJournal();
    group.undo();
    group.redo();
    EXPECT_TRUE(history().journal().isEmpty());
    EXPECT_EQ(notes(), QString());
}

TEST_F(UndoGroupTest, WithoutHistoryEveryOperationIsAnInvalidObject)
{
    UndoGroup group = m_made.project->undo_group();
    m_made.project.reset();
    UndoGroup none;
    for (UndoGroup* each : {&group, &none}) {
        for (const std::function<void()>& call : std::vector<std::function<void()>>{
                 [&] { each->begin(); }, [&] { each->commit(); }, [&] { each->rollback(); }, [&] { each->undo(); },
                 [&] { each->redo(); }})
            expectFailure<VUVI_BadState>(call, QStringLiteral("Invalid object"));
    }
}

} // namespace
