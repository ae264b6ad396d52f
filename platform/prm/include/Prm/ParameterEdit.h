#pragma once

#include "Prm/ParameterWithoutType.h"

#include <Bsc/Command.h>

#include <QPointer>

namespace Prm {

// Base of the undoable edits of one parameter. The first doIt captures the
// state the edit will undo to; later doIt calls (redo) reuse it. An edit
// whose parameter has been destroyed while the edit waits in an undo
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
    // The edited parameter; null once it has been destroyed.
    ParameterWithoutType* parameter() const { return m_parameter.data(); }

protected:
    // Reads the state to undo to; runs once, before the first apply.
    virtual void capture() = 0;
    virtual void apply() = 0;
    virtual void revert() = 0;

private:
    bool m_hasRun = false;
    QPointer<ParameterWithoutType> m_parameter;
};

} // namespace Prm
