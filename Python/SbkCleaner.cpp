#include "SbkCleaner.h"

#include "PyHelpers.h"

#include "shiboken/binding/Types.h"

#include <QObject>

SbkCleaner::~SbkCleaner()
{
    Binding::destroyBinding(m_owner);
    if (m_qobject)
        PyHelpers::leaveParent(*m_qobject);
}

void SbkCleaner::invalidatePythonObject()
{
    Binding::invalidateBinding(m_owner);
}
