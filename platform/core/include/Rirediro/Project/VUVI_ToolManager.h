#pragma once

#include <Prm/Context.h>

#include <QPointer>
#include <QStringList>
#include <QVector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_Layer;
class VUVI_SelectionManager;

namespace Rirediro {
class CustomTool;
class Tool;
} // namespace Rirediro

// The interactive tools of a project's viewer: which layer they work on and
// the state of the selection tool, and the tools made by extensions. It
// keeps a journal of the calls made on it, which tests read.
class VUVI_ToolManager
{
public:
    // Makes an extension's tool for a tool manager and its selection
    // manager; a null result when it cannot.
    using ToolCreator = boost::function<QPointer<Rirediro::CustomTool>(VUVI_ToolManager*, VUVI_SelectionManager*)>;

    explicit VUVI_ToolManager(VUVI_SelectionManager* selectionManager = nullptr);
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
    // ---- extension tools ----
    // Creators are known to every tool manager of the process, in the order
    // of registration; none is ever called but on request.
    static void addNewToolCreator(const ToolCreator& creator);
    static int toolCreatorCount();
    // Calls creator `index` (-1: the newest) with this manager and its
    // selection manager; a tool that comes back becomes the current one and
    // is kept until destroyed or this manager goes. False when none came.
    bool requestTool(int index = -1);
    // The newest kept tool still alive, or null.
    Rirediro::Tool* currentTool() const;
    // Deletes the current tool.
    void destroyCurrentTool();

    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

private:
    boost::weak_ptr<VUVI_Layer> m_currentLayer;
    int m_selectionToolState = 0;
    QStringList m_journal;
    VUVI_SelectionManager* m_selectionManager;
    QVector<QPointer<Rirediro::Tool>> m_tools;
};
