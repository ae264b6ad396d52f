#pragma once

// Contours and points as files and undo keep them: ids, kinds, the text
// form of every parameter and the address of each point's master.

#include <Rirediro/Layers/ControlPoint.h>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>

#include <utility>
#include <vector>

class VUVI_Layer;
class VUVI_ProjectManager;

namespace Rirediro {

class Contour;

// Parameters by script name, each as the lines of its text form.
using ParameterLines = QMap<QString, QStringList>;

struct PointRecord
{
    unsigned int id = 0;
    ParameterLines parameters;
    boost::optional<PointDescriptor> master;
};

struct ContourRecord
{
    unsigned int id = 0;
    int kind = 0; // Contour::Kind
    std::vector<PointRecord> points;
};

// A constraint between two points: (master, slave).
using PointLink = std::pair<PointDescriptor, PointDescriptor>;

PointRecord recordOf(const ControlPoint& point);
ContourRecord recordOf(const Contour& contour);

// A point made from its record, not yet in the contour; its master is not
// set (see restoreMasters). False in `complete` when a parameter line is
// not the point's.
boost::shared_ptr<ControlPoint> makePoint(const PointRecord& record, Contour& contour, bool* complete = nullptr);
// A contour made from its record with its points, not yet on the layer.
boost::shared_ptr<Contour> makeContour(const ContourRecord& record, const boost::shared_ptr<VUVI_Layer>& layer,
                                       bool* complete = nullptr);
// Makes the points of the records follow the masters they name, where
// both points exist in the project.
void restoreMasters(const std::vector<PointRecord>& points, const ContourRecord& contour, unsigned int layerID,
                    VUVI_ProjectManager& project);

// The constraints in which the points of a contour lead points elsewhere,
// and putting them back where both points exist.
std::vector<PointLink> linksLedBy(const Contour& contour, const VUVI_ProjectManager& project);
std::vector<PointLink> linksLedBy(const ControlPoint& point, const VUVI_ProjectManager& project);
void restoreLinks(const std::vector<PointLink>& links, VUVI_ProjectManager& project);

// The point at that address in the project, or null.
boost::shared_ptr<ControlPoint> findPoint(const VUVI_ProjectManager& project, const PointDescriptor& address);

// The ids a contour record uses (its own and its points').
QList<unsigned int> idsOf(const ContourRecord& record);

} // namespace Rirediro
