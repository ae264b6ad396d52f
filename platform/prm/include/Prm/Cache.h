#pragma once

namespace Prm {

// Evaluation caches of the parameter library. Parameters hand them on to
// their masters and value hooks unopened.
class Cache
{
public:
    virtual ~Cache() = default;
};

} // namespace Prm
