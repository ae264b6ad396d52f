#include "SbkCleaner.h"

#include "shiboken/binding/Types.h"

SbkCleaner::~SbkCleaner()
{
    Binding::destroyBinding(m_owner);
}
