#include "Prm/ParameterEdit.h"

namespace Prm {

ParameterAddress::ParameterAddress(ParameterWithoutType* parameter)
    : m_type(parameter ? &typeid(*parameter) : nullptr)
{
    if (!parameter)
        return;
    ParameterSet* set = parameter->parameterSet();
    if (set && set->parameterWithName(parameter->scriptName()) == parameter) {
        m_set = set->finder();
        m_name = parameter->scriptName();
    } else {
        m_parameter = parameter;
    }
}

ParameterWithoutType* ParameterAddress::find(boost::shared_ptr<ParameterSet>& hold) const
{
    ParameterWithoutType* found = m_parameter.data();
    if (m_set) {
        hold = m_set();
        found = hold ? dynamic_cast<ParameterWithoutType*>(hold->parameterWithName(m_name)) : nullptr;
    }
    return found && typeid(*found) == *m_type ? found : nullptr;
}

ParameterEdit::ParameterEdit(ParameterWithoutType* parameter) : m_address(parameter) {}

template <typename Step>
void ParameterEdit::run(Step step)
{
    boost::shared_ptr<ParameterSet> hold;
    ParameterWithoutType* const found = m_address.find(hold);
    if (!found)
        return;
    struct Running
    {
        ParameterWithoutType*& slot;
        ParameterWithoutType* const outer;
        ~Running() { slot = outer; }
    } running{m_running, m_running};
    m_running = found;
    step();
}

void ParameterEdit::doIt()
{
    run([this] {
        if (!m_hasRun) {
            capture();
            m_hasRun = true;
        }
        apply();
    });
}

void ParameterEdit::undoIt()
{
    if (m_hasRun)
        run([this] { revert(); });
}

ParameterWithoutType* ParameterEdit::parameter() const
{
    if (m_running)
        return m_running;
    boost::shared_ptr<ParameterSet> hold;
    return m_address.find(hold);
}

QString ParameterEdit::usageLogInfo() const
{
    const ParameterWithoutType* edited = parameter();
    return edited ? edited->extendedName() : QString();
}

} // namespace Prm
