#pragma once

#include "Rirediro/Commands/Command.h"

#include <Bsc/Command.h>

#include <boost/shared_ptr.hpp>

#include <vector>

namespace Rirediro {

// A named undo step made of commands that run in the order they were
// appended and undo in reverse order. A command that throws makes the
// ones already run go back first, so a failed macro leaves no half edit.
class MacroCommand : public Command
{
public:
    explicit MacroCommand(const QString& name);
    ~MacroCommand() override;

    // Appends a command; a null one is ignored. Nothing runs here.
    void append(const boost::shared_ptr<Bsc::Command>& command);
    int size() const { return int(m_commands.size()); }
    const boost::shared_ptr<Bsc::Command>& at(int index) const { return m_commands.at(std::size_t(index)); }

    void doIt() override;
    void undoIt() override;
    bool canUndo() const override { return true; }
    QString name() const override { return m_name; }

private:
    QString m_name;
    std::vector<boost::shared_ptr<Bsc::Command>> m_commands;
    Bsc::CompositeCommand m_run; // runs them, each through a reference

};

} // namespace Rirediro
