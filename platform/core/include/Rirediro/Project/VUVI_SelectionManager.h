#pragma once

#include <Prm/ParameterSet.h>

// The layers of a project and which of them are selected. The layer tree
// hangs from its root set, which a project starts with empty.
class VUVI_SelectionManager
{
public:
    VUVI_SelectionManager();
    virtual ~VUVI_SelectionManager();
    VUVI_SelectionManager(const VUVI_SelectionManager&) = delete;
    VUVI_SelectionManager& operator=(const VUVI_SelectionManager&) = delete;

    const Prm::ParameterSet& layerRoot() const { return m_layerRoot; }

private:
    Prm::ParameterSet m_layerRoot;
};
