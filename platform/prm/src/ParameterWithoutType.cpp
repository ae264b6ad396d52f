#include "Prm/ParameterWithoutType.h"

#include "Prm/ParameterEdit.h"
#include "Prm/ParameterSet.h"

#include <Bsc/Command.h>

#include <QSet>

#include <exception>

namespace Prm {

namespace {

// Undoably stops a parameter following its master.
class UnconstrainEdit : public ParameterEdit
{
public:
    using ParameterEdit::ParameterEdit;

protected:
    void capture() override { m_master = ParameterAddress(parameter()->masterParameter()); }
    void apply() override { parameter()->bUnconstrain(); }
    void revert() override
    {
        boost::shared_ptr<ParameterSet> hold;
        if (ParameterWithoutType* master = m_master.find(hold))
            master->bAddConstrainedParameter(parameter());
    }

private:
    ParameterAddress m_master;
};

} // namespace

BasicParameter::BasicParameter(QObject* parent) : QObject(parent) {}

BasicParameter::~BasicParameter() = default;

ParameterWithoutType::ParameterWithoutType(bool hidden, bool locked, ParameterSet* set)
    : m_locked(locked), m_hidden(hidden)
{
    setParameterSet(set);
}

ParameterWithoutType::ParameterWithoutType(const ParameterWithoutType& other)
    : Bsc::MementoUndoable(),
      BasicParameter(nullptr),
      m_displayName(other.m_displayName),
      m_scriptName(other.m_scriptName),
      m_namePrefix(other.m_namePrefix),
      m_locked(other.m_locked),
      m_hidden(false),
      m_viewSplitSwitch(other.m_viewSplitSwitch),
      m_mvInterpolationParams(other.m_mvInterpolationParams)
{
}

ParameterWithoutType::~ParameterWithoutType()
{
    setParameterSet(nullptr);
}

ParameterSet* ParameterWithoutType::parameterSet() const
{
    return m_set.data();
}

void ParameterWithoutType::setParameterSet(ParameterSet* set)
{
    if (m_set == set)
        return;
    if (m_set)
        m_set->m_parameters.removeAll(this);
    m_set = set;
    if (set)
        set->m_parameters.append(this);
}

ParameterWithoutType* ParameterWithoutType::masterParameter() const
{
    return qobject_cast<ParameterWithoutType*>(m_master.data());
}

bool ParameterWithoutType::bAddConstrainedParameter(ParameterWithoutType* slave)
{
    if (!slave || slave == this)
        return false;
    QSet<const ParameterWithoutType*> visited;
    for (const ParameterWithoutType* master = masterParameter(); master && !visited.contains(master);
         master = master->masterParameter()) {
        if (master == slave)
            return false;
        visited.insert(master);
    }
    slave->setMasterParameter(this);
    ParameterChange change(ParameterChange::ConstraintChanged, slave, 0);
    slave->emitChange(change);
    return true;
}

bool ParameterWithoutType::bUnconstrain()
{
    if (!masterParameter())
        return false;
    setMasterParameter(nullptr);
    ParameterChange change(ParameterChange::ConstraintChanged, this, 0);
    emitChange(change);
    return true;
}

void ParameterWithoutType::setMasterParameter(ParameterWithoutType* master)
{
    m_master = master;
}

void ParameterWithoutType::emitChange(ParameterChange& change)
{
    if (signalsBlocked() && m_permits.value(change.type) == 0)
        return;
    const QVector<ParameterObserver*> observers = m_observers;
    for (ParameterObserver* observer : observers) {
        if (m_observers.contains(observer)) // an observer may detach another
            observer->parameterChanged(change);
    }
    emit changed(change.type);
}

void ParameterWithoutType::permitChange(ParameterChange::ChangeType type)
{
    ++m_permits[type];
}

void ParameterWithoutType::revokeChangePermit(ParameterChange::ChangeType type)
{
    auto it = m_permits.find(type);
    if (it != m_permits.end() && --it.value() <= 0)
        m_permits.erase(it);
}

bool ParameterWithoutType::setFromScriptString(const QString& text)
{
    try {
        setVariantValue(QVariant(text), Context(Frame::NONE.time(), View(View::defaultViewId()), 3));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void ParameterWithoutType::assignFrom(const ParameterWithoutType& other)
{
    if (&other != this)
        copyNamesAndFlagsFrom(other);
}

void ParameterWithoutType::copyNamesAndFlagsFrom(const ParameterWithoutType& other)
{
    m_locked = other.m_locked;
    m_hidden = other.m_hidden;
    m_displayName = other.m_displayName;
    m_scriptName = other.m_scriptName;
}

void ParameterWithoutType::attachObserver(ParameterObserver* observer)
{
    if (observer && !m_observers.contains(observer))
        m_observers.append(observer);
}

void ParameterWithoutType::detachObserver(ParameterObserver* observer)
{
    m_observers.removeAll(observer);
}

void ParameterWithoutType::detachAllObservers()
{
    m_observers.clear();
}

bool ParameterWithoutType::bUnconstrainCommand(Bsc::CompositeCommand& command)
{
    if (!masterParameter())
        return false;
    command.push_back(new UnconstrainEdit(this));
    return true;
}

bool ParameterWithoutType::bRemoveConstrainedParameterCommand(ParameterWithoutType* slave,
                                                              Bsc::CompositeCommand& command)
{
    if (!slave || slave->masterParameter() != this)
        return false;
    command.push_back(new UnconstrainEdit(slave));
    return true;
}

ScopedSignalPermit::ScopedSignalPermit(ParameterWithoutType& parameter, ParameterChange::ChangeType type)
    : m_parameter(&parameter), m_type(type)
{
    parameter.permitChange(type);
}

ScopedSignalPermit::~ScopedSignalPermit()
{
    if (m_parameter)
        m_parameter->revokeChangePermit(m_type);
}

} // namespace Prm
