#pragma once

#include <QString>

#include <memory>
#include <vector>

namespace Bsc {

// The interface of an undoable operation. doIt performs it (again, on
// redo), undoIt takes it back.
class AbstractCommand
{
public:
    virtual void doIt() = 0;
    virtual void undoIt() = 0;
    // A short text for the usage log; empty when the command has nothing to say.
    virtual QString usageLogInfo() const;
    virtual ~AbstractCommand();
};

// The base of the commands that histories hold: never copied.
class Command : public AbstractCommand
{
public:
    Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;
    ~Command() override;
};

// A command made of other commands, which it owns. It runs them in the order
// they were appended and undoes them in reverse order, so that each child
// undoes on the state its own doIt left behind.
class CompositeCommand : public Command
{
public:
    explicit CompositeCommand(const QString& name = QString());
    ~CompositeCommand() override;

    // Takes ownership of the command; a null command is ignored.
    void push_back(Command* command);
    void push_back(std::unique_ptr<Command> command);

    int size() const { return int(m_children.size()); }
    bool empty() const { return m_children.empty(); }
    Command* at(int index) const { return m_children.at(std::size_t(index)).get(); }
    QString name() const { return m_name; }

    // When a child throws, the children already run are undone (in reverse
    // order) before the exception goes on, so a failed command leaves no half
    // edit behind. undoIt likewise redoes what it undid before a failure.
    void doIt() override;
    void undoIt() override;
    QString usageLogInfo() const override;

private:
    QString m_name;
    std::vector<std::unique_ptr<Command>> m_children;
};

} // namespace Bsc
