#include "ShapeRecord.h"

#include "../Project/ProjectDocument.h"

#include "Rirediro/Layers/Contour.h"
#include "Rirediro/Layers/VUVI_Layer.h"
#include "Rirediro/Project/VUVI_ProjectManager.h"
#include "Rirediro/Project/VUVI_SelectionManager.h"

namespace Rirediro {

namespace {

std::vector<Prm::ParameterWithoutType*> parametersOf(const ControlPoint& point)
{
    return std::vector<Prm::ParameterWithoutType*>(point.parameters().begin(), point.parameters().end());
}

} // namespace

PointRecord recordOf(const ControlPoint& point)
{
    PointRecord record;
    record.id = point.id();
    const std::vector<Prm::ParameterWithoutType*> parameters = parametersOf(point);
    record.parameters =
        ProjectDocument::linesOf(std::vector<const Prm::ParameterWithoutType*>(parameters.begin(), parameters.end()));
    if (const boost::shared_ptr<ControlPoint> master = point.masterPoint())
        record.master = master->descriptor();
    return record;
}

ContourRecord recordOf(const Contour& contour)
{
    ContourRecord record;
    record.id = contour.id();
    record.kind = contour.kind();
    for (const boost::shared_ptr<ControlPoint>& point : contour.points())
        record.points.push_back(recordOf(*point));
    return record;
}

boost::shared_ptr<ControlPoint> makePoint(const PointRecord& record, Contour& contour, bool* complete)
{
    const boost::shared_ptr<ControlPoint> point = contour.makePoint(record.id);
    const bool read = ProjectDocument::readLines(record.parameters, parametersOf(*point));
    if (complete)
        *complete = *complete && read;
    return point;
}

boost::shared_ptr<Contour> makeContour(const ContourRecord& record, const boost::shared_ptr<VUVI_Layer>& layer,
                                       bool* complete)
{
    const boost::shared_ptr<Contour> contour =
        Contour::create(record.kind == Contour::Bezier ? Contour::Bezier : Contour::XSpline, record.id, layer);
    for (const PointRecord& point : record.points)
        contour->insertPoint(makePoint(point, *contour, complete), contour->points().size());
    return contour;
}

boost::shared_ptr<ControlPoint> findPoint(const VUVI_ProjectManager& project, const PointDescriptor& address)
{
    const boost::shared_ptr<Contour> contour =
        project.selectionManager()->pGetContour(address.layerID, address.contourID, false);
    return contour ? contour->pointWithID(address.pointID) : nullptr;
}

void restoreMasters(const std::vector<PointRecord>& points, const ContourRecord& contour, unsigned int layerID,
                    VUVI_ProjectManager& project)
{
    for (const PointRecord& point : points) {
        if (!point.master)
            continue;
        const boost::shared_ptr<ControlPoint> slave = findPoint(project, {layerID, contour.id, point.id});
        const boost::shared_ptr<ControlPoint> master = findPoint(project, *point.master);
        if (slave && master && !slave->isConstraintCyclic(*master))
            slave->setMasterPoint(master);
    }
}

std::vector<PointLink> linksLedBy(const ControlPoint& point, const VUVI_ProjectManager& project)
{
    std::vector<PointLink> links;
    for (const boost::shared_ptr<ControlPoint>& slave : project.selectionManager()->slavesOf(point))
        links.emplace_back(point.descriptor(), slave->descriptor());
    return links;
}

std::vector<PointLink> linksLedBy(const Contour& contour, const VUVI_ProjectManager& project)
{
    std::vector<PointLink> links;
    for (const boost::shared_ptr<ControlPoint>& point : contour.points()) {
        const std::vector<PointLink> led = linksLedBy(*point, project);
        links.insert(links.end(), led.begin(), led.end());
    }
    return links;
}

void restoreLinks(const std::vector<PointLink>& links, VUVI_ProjectManager& project)
{
    for (const PointLink& link : links) {
        const boost::shared_ptr<ControlPoint> master = findPoint(project, link.first);
        const boost::shared_ptr<ControlPoint> slave = findPoint(project, link.second);
        if (master && slave && !slave->masterPoint() && !slave->isConstraintCyclic(*master))
            slave->setMasterPoint(master);
    }
}

QList<unsigned int> idsOf(const ContourRecord& record)
{
    QList<unsigned int> ids{record.id};
    for (const PointRecord& point : record.points)
        ids.append(point.id);
    return ids;
}

} // namespace Rirediro
