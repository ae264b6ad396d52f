#include "Prm/ParameterEdit.h"

namespace Prm {

ParameterEdit::ParameterEdit(ParameterWithoutType* parameter) : m_parameter(parameter) {}

void ParameterEdit::doIt()
{
    if (!m_parameter)
        return;
    if (!m_hasRun) {
        capture();
        m_hasRun = true;
    }
    apply();
}

void ParameterEdit::undoIt()
{
    if (m_parameter && m_hasRun)
        revert();
}

QString ParameterEdit::usageLogInfo() const
{
    return m_parameter ? m_parameter->extendedName() : QString();
}

} // namespace Prm
