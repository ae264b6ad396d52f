#include "SbkCleaner.h"

#include "shiboken/binding/Types.h"

SbkCleaner::~SbkCleaner()
{
    Binding::destroyBinding(m_owner);
}

void SbkCleaner::invalidatePythonObject()
{
    Binding::invalidateBinding(m_owner);
}
