#include "Bsc/Command.h"

namespace Bsc {

AbstractCommand::~AbstractCommand() = default;

QString AbstractCommand::usageLogInfo() const
{
    return QString();
}

Command::~Command() = default;

CompositeCommand::CompositeCommand(const QString& name) : m_name(name) {}

CompositeCommand::~CompositeCommand() = default;

void CompositeCommand::push_back(Command* command)
{
    push_back(std::unique_ptr<Command>(command));
}

void CompositeCommand::push_back(std::unique_ptr<Command> command)
{
    if (command)
        m_children.push_back(std::move(command));
}

void CompositeCommand::doIt()
{
    std::size_t done = 0;
    try {
        for (; done < m_children.size(); ++done)
            m_children[done]->doIt();
    } catch (...) {
        while (done > 0)
            m_children[--done]->undoIt();
        throw;
    }
}

void CompositeCommand::undoIt()
{
    std::size_t remaining = m_children.size();
    try {
        for (; remaining > 0; --remaining)
            m_children[remaining - 1]->undoIt();
    } catch (...) {
        for (; remaining < m_children.size(); ++remaining)
            m_children[remaining]->doIt();
        throw;
    }
}

QString CompositeCommand::usageLogInfo() const
{
    return m_name;
}

} // namespace Bsc
