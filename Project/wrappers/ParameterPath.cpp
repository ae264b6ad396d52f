#include "ParameterPath.h"

#include <Prm/ParameterSet.h>

#include <QHash>

namespace ParameterPath {

Prm::ParameterSet* descend(Prm::ParameterSet* set, const QStringList& names, int count)
{
    for (int i = 0; set && i < count; ++i)
        set = set->subsetWithName(names.at(i));
    return set;
}

uint hash(const void* resolved, const Prm::ParameterSet* root, const QStringList& names)
{
    if (resolved)
        return qHash(resolved, 0);
    return qHash(static_cast<const void*>(root), 0) ^ qHash(text(names), 0);
}

} // namespace ParameterPath
