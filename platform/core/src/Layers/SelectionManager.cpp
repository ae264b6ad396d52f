#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_FrameManager.h"
#include "Rirediro/Project/ProjectProperties.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"
#include "Rirediro/Project/VUVI_ToolManager.h"
#include "Rirediro/ToolManager/Tool.h"

#include <Bsc/Logger.h>

#include <QCoreApplication>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

using Rirediro::LayerBase;
using Rirediro::LayerGroup;

// Visits the nodes below `group` front to rear, each group before its children.
void walkFrontToRear(const LayerGroup& group, const std::function<void(const boost::shared_ptr<LayerBase>&)>& visit)
{
    const QVector<boost::shared_ptr<LayerBase>>& children = group.children();
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        visit(*it);
        if (const auto* inner = dynamic_cast<const LayerGroup*>(it->get()))
            walkFrontToRear(*inner, visit);
    }
}

} // namespace

VUVI_SelectionManager::VUVI_SelectionManager(VUVI_ProjectManager& project)
    : m_project(project), m_layerRoot(boost::make_shared<Rirediro::LayerRoot>(boost::weak_ptr<VUVI_ProjectManager>()))
{
}

VUVI_SelectionManager::~VUVI_SelectionManager() = default;

boost::shared_ptr<VUVI_Layer> VUVI_SelectionManager::findLayer(unsigned int id, bool selectedOnly) const
{
    boost::shared_ptr<VUVI_Layer> found;
    walkFrontToRear(*m_layerRoot, [&](const boost::shared_ptr<LayerBase>& node) {
        if (!found && node->layerID() == id && (!selectedOnly || node->state() == LayerBase::Selected))
            found = boost::dynamic_pointer_cast<VUVI_Layer>(node);
    });
    return found;
}

boost::shared_ptr<LayerBase> VUVI_SelectionManager::layerFromID(const QString& id) const
{
    boost::shared_ptr<LayerBase> found;
    walkFrontToRear(*m_layerRoot, [&](const boost::shared_ptr<LayerBase>& node) {
        if (!found && node->id() == id)
            found = node;
    });
    return found;
}

QVector<boost::shared_ptr<LayerBase>> VUVI_SelectionManager::findLayers(const QString& name, bool wholeTree) const
{
    QVector<boost::shared_ptr<LayerBase>> found;
    for (const boost::shared_ptr<LayerBase>& node : allLayersAndGroups()) {
        if (node->name() == name && (wholeTree || node->parentGroup() == m_layerRoot))
            found.append(node);
    }
    return found;
}

QVector<boost::shared_ptr<VUVI_Layer>> VUVI_SelectionManager::layersFrontToRear() const
{
    QVector<boost::shared_ptr<VUVI_Layer>> layers;
    walkFrontToRear(*m_layerRoot, [&](const boost::shared_ptr<LayerBase>& node) {
        if (auto layer = boost::dynamic_pointer_cast<VUVI_Layer>(node))
            layers.append(layer);
    });
    return layers;
}

QVector<boost::shared_ptr<LayerBase>> VUVI_SelectionManager::allLayersAndGroups() const
{
    QVector<boost::shared_ptr<LayerBase>> nodes;
    walkFrontToRear(*m_layerRoot, [&](const boost::shared_ptr<LayerBase>& node) { nodes.append(node); });
    return nodes;
}

QString VUVI_SelectionManager::createLayerGroup()
{
    const auto group = boost::make_shared<LayerGroup>(
        newLayerID(), QCoreApplication::translate("VUVI_SelectionManager", "Group"), m_project.weak_from_this());
    m_layerRoot->placeChild(group, m_layerRoot->children().size());
    Bsc::Logger::writeToLog(QStringLiteral("call VUVI_SelectionManager::createLayerGroup ") + group->id(),
                            Bsc::Logger::Debug);
    return group->id();
}

void VUVI_SelectionManager::updateLayerFrameToCurrentFrame()
{
    const Prm::Context& frame = m_project.frameManager().currentFrame();
    Bsc::Logger::writeToLog(QStringLiteral("call VUVI_SelectionManager::updateLayerFrameToCurrentFrame %1 %2")
                                .arg(frame.time.toDouble())
                                .arg(frame.view.id()),
                            Bsc::Logger::Debug);
}

void VUVI_SelectionManager::vUnSelectAllLayers()
{
    Bsc::Logger::writeToLog(QStringLiteral("call VUVI_SelectionManager::vUnSelectAllLayers"), Bsc::Logger::Debug);
    walkFrontToRear(*m_layerRoot, [](const boost::shared_ptr<LayerBase>& node) { node->setState(LayerBase::Unselected); });
}

void VUVI_SelectionManager::cacheLayerImage(unsigned int layerId, const Prm::Context& context, const LayerImage& image)
{
    m_layerImages[std::make_tuple(layerId, context.time.toDouble(), context.view.id())] = image;
}

VUVI_SelectionManager::LayerImage VUVI_SelectionManager::cachedLayerImage(unsigned int layerId,
                                                                          const Prm::Context& context) const
{
    const auto found = m_layerImages.find(std::make_tuple(layerId, context.time.toDouble(), context.view.id()));
    return found == m_layerImages.end() ? LayerImage() : found->second;
}

void VUVI_SelectionManager::flushImageCaches()
{
    Bsc::Logger::writeToLog(QStringLiteral("call VUVI_SelectionManager::flushImageCaches %1").arg(m_layerImages.size()),
                            Bsc::Logger::Debug);
    m_layerImages.clear();
}

boost::shared_ptr<VUVI_Layer> VUVI_SelectionManager::createLayer(const QString& name, TQ::ClipID clip,
                                                                 const std::vector<Prm::View>& views,
                                                                 const Prm::Context& context)
{
    const auto layer = boost::make_shared<VUVI_Layer>(newLayerID(), name, clip, views, m_project.weak_from_this());
    const unsigned int length = m_project.projectProperties().length();
    const double time = context.time.toDouble();
    const unsigned int first = time > 0 ? unsigned(std::min(time, double(length - 1))) : 0u;
    for (const Prm::View& view : views) {
        layer->inPointParameter().setValue(first, view);
        layer->outPointParameter().setValue(length - 1, view);
    }
    m_layerRoot->placeChild(layer, m_layerRoot->children().size());
    return layer;
}

unsigned int VUVI_SelectionManager::newLayerID()
{
    return ++m_lastID;
}

void VUVI_SelectionManager::reserveLayerID(unsigned int id)
{
    m_lastID = std::max(m_lastID, id);
}

// ---- VUVI_ToolManager ---------------------------------------------------------------

namespace {
std::vector<VUVI_ToolManager::ToolCreator>& toolCreators()
{
    static std::vector<VUVI_ToolManager::ToolCreator> creators;
    return creators;
}
} // namespace

VUVI_ToolManager::VUVI_ToolManager(VUVI_SelectionManager* selectionManager)
    : m_selectionManager(selectionManager)
{
}

VUVI_ToolManager::~VUVI_ToolManager()
{
    for (const QPointer<Rirediro::Tool>& tool : qAsConst(m_tools))
        delete tool.data();
}

void VUVI_ToolManager::addNewToolCreator(const ToolCreator& creator)
{
    toolCreators().push_back(creator);
}

int VUVI_ToolManager::toolCreatorCount()
{
    return int(toolCreators().size());
}

bool VUVI_ToolManager::requestTool(int index)
{
    const std::vector<ToolCreator>& creators = toolCreators();
    const int count = int(creators.size());
    if (index < 0)
        index = count - 1;
    if (index < 0 || index >= count)
        return false;
    // A copy: the creator may register further creators while it runs.
    const ToolCreator creator = creators[std::size_t(index)];
    const QPointer<Rirediro::CustomTool> tool = creator(this, m_selectionManager);
    if (!tool)
        return false;
    m_tools.append(QPointer<Rirediro::Tool>(tool.data()));
    return true;
}

Rirediro::Tool* VUVI_ToolManager::currentTool() const
{
    for (auto it = m_tools.crbegin(); it != m_tools.crend(); ++it)
        if (*it)
            return it->data();
    return nullptr;
}

void VUVI_ToolManager::destroyCurrentTool()
{
    delete currentTool();
}

void VUVI_ToolManager::setCurrentLayer(const boost::shared_ptr<VUVI_Layer>& layer, const Prm::Context& context)
{
    const QString name = layer ? layer->id() : QStringLiteral("none");
    m_journal.append(QStringLiteral("setCurrentLayer %1 at %2 in view %3")
                         .arg(name)
                         .arg(context.time.toDouble())
                         .arg(context.view.id()));
    const QString time = context.time.isValid() ? QString::number(context.time.toDouble()) : QStringLiteral("invalid");
    Bsc::Logger::writeToLog(QStringLiteral("call VUVI_ToolManager::setCurrentLayer %1 at %2 in view %3 mode %4")
                                .arg(name, time)
                                .arg(context.view.id())
                                .arg(context.mode),
                            Bsc::Logger::Debug);
    m_currentLayer = layer;
}

unsigned int VUVI_ToolManager::uiGetCurrentLayerID() const
{
    const boost::shared_ptr<VUVI_Layer> layer = m_currentLayer.lock();
    return layer ? layer->id().toUInt() : 0;
}

void VUVI_ToolManager::vSetSelectionToolState(int state)
{
    m_journal.append(QStringLiteral("vSetSelectionToolState %1").arg(state));
    m_selectionToolState = state;
}
