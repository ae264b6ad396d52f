#pragma once

class VUVI_BaseClip;
class VUVI_ProjectManager;

namespace Rirediro {

// Answers a base clip's questions about the project it belongs to.
class IBaseClipServant
{
public:
    virtual VUVI_ProjectManager* projectManager() const = 0;
    // The id the clip made from `baseClip` gets; `proposed` when the project
    // has no clip of that id.
    virtual unsigned int clipIDFor(const VUVI_BaseClip& baseClip, unsigned int proposed) const = 0;
    virtual ~IBaseClipServant();
};

} // namespace Rirediro
