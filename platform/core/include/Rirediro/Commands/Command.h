#pragma once

#include <Bsc/Command.h>
#include <Bsc/UsageLogger.h>
#include <Prm/Context.h>

#include <QString>

#include <climits>

namespace Rirediro {

// The base of the core's commands: what the command manager asks of a
// command besides running and undoing it. Header code, so that the
// application's own commands share it.
class Command : public Bsc::Command
{
public:
    // Which tool was active around a command, and on what.
    struct ToolState
    {
        int tool = 0;
        int layerID = INT_MAX; // none
        int contourIndex = -1; // none
    };

    Command() = default;

    void doIt() override {}
    void undoIt() override {}
    QString usageLogInfo() const override { return QString(); }
    ~Command() override = default;
    virtual bool canDo() const { return true; }
    virtual bool canUndo() const = 0;
    // The name the undo history shows.
    virtual QString name() const = 0;
    virtual bool populateUsageRecord(Bsc::UsageLogger::Record&) const { return false; }
    // The frame shown when the command was logged.
    virtual void setFrameCommandAdded(const Prm::Context& context) { m_frameAdded = context; }
    virtual Prm::Context frameCommandAdded() const { return m_frameAdded; }
    virtual bool requiresReRender() const { return false; }
    virtual void setPreCommandToolState(const ToolState& state) { m_preToolState = state; }
    virtual void setPostCommandToolState(const ToolState& state) { m_postToolState = state; }

    const ToolState& preCommandToolState() const { return m_preToolState; }
    const ToolState& postCommandToolState() const { return m_postToolState; }

private:
    [[maybe_unused]] bool m_partOfMacro = false;
    Prm::Context m_frameAdded{Prm::Time::fromDouble(Prm::Time::INVALID_TIME_VALUE),
                              Prm::View(Prm::View::defaultViewId()), 3};
    ToolState m_preToolState;
    ToolState m_postToolState;
};

} // namespace Rirediro
