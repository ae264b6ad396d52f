#include "Rirediro/Commands/LayerCommands.h"
#include "Rirediro/Commands/VUVI_SelectSelectionCommand.h"

#include "../Layers/LayerRecord.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"
#include "Rirediro/Project/VUVI_ToolManager.h"

#include <Bsc/Command.h>

#include <QCoreApplication>

namespace Rirediro {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("Rirediro::CommandManager", text);
}

// The contours of every layer of the project.
QVector<boost::shared_ptr<Contour>> everyContour(const VUVI_SelectionManager& selection)
{
    QVector<boost::shared_ptr<Contour>> contours;
    for (const boost::shared_ptr<VUVI_Layer>& layer : selection.layersFrontToRear()) {
        for (const boost::shared_ptr<Contour>& contour : layer->contours())
            contours.append(contour);
    }
    return contours;
}

} // namespace

// ---- NewLayerCommand ----------------------------------------------------------------

NewLayerCommand::NewLayerCommand(VUVI_ProjectManager& project, bool select, TQ::ClipID clip,
                                 const Prm::Context& context, const QString& name)
    : m_project(project), m_select(select), m_clip(clip), m_context(context), m_name(name), m_views{context.view}
{
}

NewLayerCommand::~NewLayerCommand() = default;

void NewLayerCommand::doIt()
{
    VUVI_SelectionManager& selection = *m_project.selectionManager();
    if (m_undone) {
        restore(*m_undone, selection, m_project.weak_from_this());
        restoreConstraints(*m_undone, m_project);
        m_undone.reset();
    } else {
        m_layerID = selection.createLayer(m_name, m_clip, m_views, m_context)->layerID();
    }
    if (m_select) {
        if (const boost::shared_ptr<VUVI_Layer> layer = selection.findLayer(m_layerID, false)) {
            selection.vUnSelectAllLayers();
            layer->setState(LayerBase::Selected);
        }
    }
}

void NewLayerCommand::undoIt()
{
    const boost::shared_ptr<VUVI_Layer> layer = m_project.selectionManager()->findLayer(m_layerID, false);
    if (!layer)
        return;
    m_undone = std::make_unique<LayerRecord>(recordOf(*layer));
    layer->parentGroup()->removeChild(*layer);
}

QString NewLayerCommand::name() const
{
    return tr("New layer");
}

// ---- SetLayerNameCommand ------------------------------------------------------------

SetLayerNameCommand::SetLayerNameCommand(VUVI_ProjectManager& project, const QString& id, const QString& name)
    : m_project(project), m_id(id), m_newName(name)
{
}

void SetLayerNameCommand::doIt()
{
    if (const boost::shared_ptr<LayerBase> node = m_project.selectionManager()->layerFromID(m_id)) {
        m_oldName = node->name();
        node->setName(m_newName);
    }
}

void SetLayerNameCommand::undoIt()
{
    if (const boost::shared_ptr<LayerBase> node = m_project.selectionManager()->layerFromID(m_id))
        node->setName(m_oldName);
}

QString SetLayerNameCommand::name() const
{
    return tr("Rename layer");
}

// ---- MoveLayerToDepthPositionCommand ------------------------------------------------

MoveLayerToDepthPositionCommand::MoveLayerToDepthPositionCommand(VUVI_ProjectManager& project, const QString& id,
                                                                 int position)
    : m_project(project), m_id(id), m_position(position)
{
}

void MoveLayerToDepthPositionCommand::doIt()
{
    const boost::shared_ptr<LayerBase> node = m_project.selectionManager()->layerFromID(m_id);
    if (!node)
        return;
    m_oldIndex = node->depthPosition();
    node->parentGroup()->placeChild(node, m_position);
}

void MoveLayerToDepthPositionCommand::undoIt()
{
    const boost::shared_ptr<LayerBase> node = m_project.selectionManager()->layerFromID(m_id);
    if (node && m_oldIndex >= 0)
        node->parentGroup()->insertChild(node, m_oldIndex);
}

QString MoveLayerToDepthPositionCommand::name() const
{
    return tr("Change layer order");
}

// ---- UnselectLayerCommand -----------------------------------------------------------

UnselectLayerCommand::UnselectLayerCommand(VUVI_ProjectManager* project, const Prm::Context& context,
                                           unsigned int layerId, unsigned int contourId)
    : m_project(project), m_context(context), m_layerId(layerId), m_contourId(contourId)
{
}

void UnselectLayerCommand::doIt()
{
    if (const boost::shared_ptr<VUVI_Layer> layer = m_project->selectionManager()->findLayer(m_layerId, false)) {
        m_previousState = layer->state();
        layer->setState(LayerBase::Unselected);
    }
}

void UnselectLayerCommand::undoIt()
{
    if (const boost::shared_ptr<VUVI_Layer> layer = m_project->selectionManager()->findLayer(m_layerId, false))
        layer->setState(m_previousState);
}

QString UnselectLayerCommand::name() const
{
    return tr("Unselect layer");
}

// ---- ParameterChangeCommand ---------------------------------------------------------

ParameterChangeCommand::ParameterChangeCommand(std::unique_ptr<Bsc::CompositeCommand> edits)
    : m_edits(std::move(edits))
{
}

ParameterChangeCommand::~ParameterChangeCommand() = default;

void ParameterChangeCommand::doIt()
{
    m_edits->doIt();
}

void ParameterChangeCommand::undoIt()
{
    m_edits->undoIt();
}

QString ParameterChangeCommand::name() const
{
    return tr("Parameter change");
}

} // namespace Rirediro

// ---- VUVI_SelectSelectionCommand ------------------------------------------------------

void VUVI_SelectSelectionCommand::doIt()
{
    VUVI_SelectionManager& selection = *m_projectManager->selectionManager();
    VUVI_ToolManager& tools = m_projectManager->toolManager();
    m_previousStates.clear();
    for (const boost::shared_ptr<Rirediro::LayerBase>& node : selection.allLayersAndGroups())
        m_previousStates.insert(node->layerID(), node->state());
    m_previousPicks.clear();
    for (const boost::shared_ptr<Rirediro::Contour>& contour : Rirediro::everyContour(selection)) {
        if (contour->isSelected())
            m_previousPicks.insert(contour->id());
        contour->vUnSelect();
    }
    const boost::shared_ptr<VUVI_Layer> current = tools.currentLayer();
    m_previousCurrentLayer = current ? current->layerID() : 0;

    selection.vUnSelectAllLayers();
    const boost::shared_ptr<VUVI_Layer> layer = selection.findLayer(m_layerId, false);
    if (layer) {
        layer->setState(Rirediro::LayerBase::Selected);
        for (const boost::shared_ptr<Rirediro::Contour>& contour : layer->contours()) {
            if (m_contourId == AllContours || contour->id() == m_contourId)
                contour->vSelect();
        }
    }
    tools.setCurrentLayer(layer, m_context);
}

void VUVI_SelectSelectionCommand::undoIt()
{
    VUVI_SelectionManager& selection = *m_projectManager->selectionManager();
    for (const boost::shared_ptr<Rirediro::LayerBase>& node : selection.allLayersAndGroups())
        node->setState(m_previousStates.value(node->layerID(), Rirediro::LayerBase::Unselected));
    for (const boost::shared_ptr<Rirediro::Contour>& contour : Rirediro::everyContour(selection)) {
        if (m_previousPicks.contains(contour->id()))
            contour->vSelect();
        else
            contour->vUnSelect();
    }
    const boost::shared_ptr<VUVI_Layer> previous =
        m_previousCurrentLayer ? selection.findLayer(m_previousCurrentLayer, false) : nullptr;
    m_projectManager->toolManager().setCurrentLayer(previous, m_context);
}

QString VUVI_SelectSelectionCommand::name() const
{
    return QCoreApplication::translate("Rirediro::CommandManager", "Select layer");
}
