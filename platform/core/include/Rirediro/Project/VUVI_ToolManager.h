#pragma once

#include <Prm/Context.h>

#include <QStringList>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_Layer;

// The interactive tools of a project's viewer: which layer they work on and
// the state of the selection tool. It keeps a journal of the calls made on
// it, which tests read.
class VUVI_ToolManager
{
public:
    VUVI_ToolManager();
    virtual ~VUVI_ToolManager();
    VUVI_ToolManager(const VUVI_ToolManager&) = delete;
    VUVI_ToolManager& operator=(const VUVI_ToolManager&) = delete;

    // The layer the tools work on (null for none), set at a frame.
    void setCurrentLayer(const boost::shared_ptr<VUVI_Layer>& layer, const Prm::Context& context);
    boost::shared_ptr<VUVI_Layer> currentLayer() const { return m_currentLayer.lock(); }
    // The current layer's id; 0 for none.
    unsigned int uiGetCurrentLayerID() const;

    // 0: nothing picked; 2: a layer's contours picked.
    void vSetSelectionToolState(int state);
    int selectionToolState() const { return m_selectionToolState; }

    // "setCurrentLayer <id or none> at <time> in view <id>",
    // "vSetSelectionToolState <state>", oldest first.
    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

private:
    boost::weak_ptr<VUVI_Layer> m_currentLayer;
    int m_selectionToolState = 0;
    QStringList m_journal;
};
