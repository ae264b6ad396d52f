#pragma once

#include "Project/wrappers/BezierControlPoint.h"

#include <QList>
#include <QVector>

#include <climits>

namespace Rirediro {
class Contour;
}

// A script's handle on one Bezier contour of a layer.
class BezierContour : public ShapeHandle<Rirediro::Contour>
{
public:
    BezierContour() = default;
    BezierContour(const boost::shared_ptr<Rirediro::Contour>& contour,
                  const boost::weak_ptr<VUVI_ProjectManager>& project);
    ~BezierContour() override;

    // Inserts a point at `index` (appended by default) as an undoable step
    // and places its tangent handles at the record's offsets from it.
    BezierControlPoint insert_point(float time, const BezierControlPointData& bcpd, unsigned int index = UINT_MAX,
                                    View view = View());
    QList<float> get_bounding_rect(float time = 0.0f, View view = View(0)) const;
    BezierControlPoint control_point(unsigned int index);
    QVector<BezierControlPoint> get_control_points();
    void remove();

    bool operator==(const BezierContour& other) const { return refersToSameShape(other); }
    bool operator!=(const BezierContour& other) const { return !(*this == other); }
};

uint qHash(const BezierContour& contour);

namespace Python {

// Left, top, right and bottom of the box around the contour's points at
// the context, as the project's viewer places them.
QList<float> contourBoundingRect(const Rirediro::Contour* contour, const Prm::Context& context,
                                 const VUVI_ProjectManager* project);

} // namespace Python
