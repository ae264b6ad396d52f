#include "LayerRecord.h"

#include "../Project/ProjectDocument.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/LayerGroup.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

#include <boost/make_shared.hpp>

namespace Rirediro {

namespace {

std::vector<Prm::ParameterWithoutType*> parametersOf(const LayerBase& node)
{
    return std::vector<Prm::ParameterWithoutType*>(node.parameters().begin(), node.parameters().end());
}

} // namespace

LayerRecord recordOf(const LayerBase& node)
{
    LayerRecord record;
    record.id = node.layerID();
    const boost::shared_ptr<LayerGroup> parent = node.parentGroup();
    record.parentID = parent ? parent->layerID() : 0;
    record.position = node.depthPosition();
    record.name = node.name();
    record.hidden = node.isHidden(false);
    record.locked = node.isLocked(false);
    record.matteColour = node.matteColor();
    record.strokeColour = node.strokeColor();
    if (const auto* layer = dynamic_cast<const VUVI_Layer*>(&node)) {
        record.kind = LayerRecord::Layer;
        record.clip = layer->clipID();
        record.views = layer->views();
        const std::vector<Prm::ParameterWithoutType*> parameters = parametersOf(node);
        record.parameters =
            ProjectDocument::linesOf(std::vector<const Prm::ParameterWithoutType*>(parameters.begin(), parameters.end()));
        for (const boost::shared_ptr<Contour>& contour : layer->contours())
            record.contours.push_back(recordOf(*contour));
        record.track = layer->trackKeys();
    } else {
        record.kind = LayerRecord::Group;
    }
    return record;
}

bool restore(const LayerRecord& record, VUVI_SelectionManager& selection,
             const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    boost::shared_ptr<LayerBase> node;
    if (record.kind == LayerRecord::Layer)
        node = boost::make_shared<VUVI_Layer>(record.id, record.name, record.clip, record.views, project);
    else
        node = boost::make_shared<LayerGroup>(record.id, record.name, project);
    node->setHidden(record.hidden);
    node->setLocked(record.locked);
    node->setMatteColor(record.matteColour);
    node->setStrokeColor(record.strokeColour);
    bool complete = ProjectDocument::readLines(record.parameters, parametersOf(*node));
    if (const auto layer = boost::dynamic_pointer_cast<VUVI_Layer>(node)) {
        layer->setTrackKeys(record.track);
        for (const ContourRecord& contour : record.contours) {
            layer->insertContour(makeContour(contour, layer, &complete), layer->contours().size());
            for (unsigned int id : idsOf(contour))
                selection.reserveShapeID(id);
        }
    }

    boost::shared_ptr<LayerGroup> parent =
        boost::dynamic_pointer_cast<LayerGroup>(selection.layerFromID(QString::number(record.parentID)));
    if (!parent || record.parentID == 0)
        parent = selection.layerRoot();
    parent->insertChild(node, record.position < 0 ? int(parent->children().size()) : record.position);
    selection.reserveLayerID(record.id);
    return complete;
}

void restoreConstraints(const LayerRecord& record, VUVI_ProjectManager& project)
{
    for (const ContourRecord& contour : record.contours)
        restoreMasters(contour.points, contour, record.id, project);
}

} // namespace Rirediro
