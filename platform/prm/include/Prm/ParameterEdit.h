#pragma once

#include "Prm/ParameterSet.h"
#include "Prm/ParameterWithoutType.h"

#include <Bsc/Command.h>

#include <QPointer>

#include <typeinfo>

namespace Prm {

// Where a parameter is: its set, as the set's finder finds it, and its
// script name there; a parameter outside any set (or not first under its
// name in its set) is its own address while it lives. Undo histories keep
// addresses rather than parameters, so that an edit reaches the parameter
// of an owner that was rebuilt in between.
class ParameterAddress
{
public:
    ParameterAddress() = default;
    explicit ParameterAddress(ParameterWithoutType* parameter);

    // The parameter at the address now, of the very class of the one the
    // address was taken from; null when there is none. `hold` keeps what
    // was found alive while the caller uses it.
    ParameterWithoutType* find(boost::shared_ptr<ParameterSet>& hold) const;

private:
    ParameterSet::Finder m_set;
    QString m_name;
    QPointer<ParameterWithoutType> m_parameter; // when found by itself
    const std::type_info* m_type = nullptr;
};

// Base of the undoable edits of one parameter. The first doIt captures the
// state the edit will undo to; later doIt calls (redo) reuse it. The edit
// keeps its parameter's address and finds the parameter again each time it
// runs: an edit whose parameter is gone while the edit waits in an undo
// history does nothing, and undoIt before any doIt does nothing either.
class ParameterEdit : public Bsc::Command
{
public:
    explicit ParameterEdit(ParameterWithoutType* parameter);

    void doIt() final;
    void undoIt() final;
    // The parameter's extended name.
    QString usageLogInfo() const override;

    bool hasRun() const { return m_hasRun; }
    // The edited parameter: while the edit runs, the one it found; else
    // found anew, null when there is none.
    ParameterWithoutType* parameter() const;

protected:
    // Reads the state to undo to; runs once, before the first apply.
    virtual void capture() = 0;
    virtual void apply() = 0;
    virtual void revert() = 0;

private:
    // Finds the parameter and runs `step` on it; nothing when there is none.
    template <typename Step>
    void run(Step step);

    bool m_hasRun = false;
    ParameterAddress m_address;
    ParameterWithoutType* m_running = nullptr; // during doIt and undoIt
};

} // namespace Prm
