#pragma once

#include <Prm/Context.h>
#include <Prm/Parameter.h>
#include <Prm/ParameterSet.h>

#include <QPointF>

#include <boost/enable_shared_from_this.hpp>
#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

namespace Rirediro {

class Contour;

// Where a control point lives: its layer, its contour and its own id. Ids
// of contours and points are unique in a project, so an address finds a
// point again after it was taken out and put back.
struct PointDescriptor
{
    unsigned int layerID = 0;
    unsigned int contourID = 0;
    unsigned int pointID = 0;

    bool operator==(const PointDescriptor& o) const
    {
        return layerID == o.layerID && contourID == o.contourID && pointID == o.pointID;
    }
    bool operator!=(const PointDescriptor& o) const { return !(*this == o); }
};

// The fields of a control point that an edit sets; absent fields are left
// as the point has them (a new point: the core's defaults).
class ControlPointData
{
public:
    virtual ~ControlPointData();

    boost::optional<unsigned int> active; // 0 or 1
    boost::optional<unsigned int> corner; // 0 or 1
    boost::optional<double> x;
    boost::optional<double> y;
    boost::optional<float> edgeWidth;
    boost::optional<float> edgeAngleRatio;
};

class XSplineControlPointData : public ControlPointData
{
public:
    boost::optional<float> weight;
};

// Handle offsets are relative to the point.
class BezierControlPointData : public ControlPointData
{
public:
    boost::optional<QPointF> backwardHandle;
    boost::optional<QPointF> forwardHandle;
};

// A keyframed parameter with the range of values its users accept. The
// parameter stores what it is given; readers clamp.
template <typename T>
class RangedParameter : public Prm::Parameter<T>
{
public:
    RangedParameter(const QString& scriptName, T defaultValue, T minimum, T maximum)
        : m_minimum(minimum), m_maximum(maximum)
    {
        this->setScriptName(scriptName);
        this->vSetDefault(defaultValue);
    }
    T minimum() const { return m_minimum; }
    T maximum() const { return m_maximum; }

private:
    T m_minimum;
    T m_maximum;
};

// One control point of a contour. Its parameters (script names): "active"
// (not keyframed), "corner", "x", "y", "weight", "edgeWidth" and
// "edgeAngleRatio". A value written at a context becomes a keyframe there.
//
// A point may follow a master point on another layer: its x and y then
// take the master's x and y as their master parameters, and read the
// master's values.
class ControlPoint : public Prm::ParameterSet, public boost::enable_shared_from_this<ControlPoint>
{
    Q_OBJECT
public:
    ControlPoint(unsigned int id, const boost::weak_ptr<Contour>& contour);
    ~ControlPoint() override;

    unsigned int id() const { return m_id; }
    boost::shared_ptr<Contour> contour() const { return m_contour.lock(); }
    // The layer, contour and point ids; zeros for what is gone.
    PointDescriptor descriptor() const;
    // A point of a project is found by its address: undo rebuilds points
    // as new objects under their ids.
    Finder finder() const override;

    bool active(const Prm::Context& context) const { return m_active.value(context); }
    Prm::Parameter<bool>& activeParameter() { return m_active; }
    Prm::Parameter<bool>& corner() { return m_corner; }
    const Prm::Parameter<bool>& corner() const { return m_corner; }
    RangedParameter<double>& x() { return m_x; }
    const RangedParameter<double>& x() const { return m_x; }
    RangedParameter<double>& y() { return m_y; }
    const RangedParameter<double>& y() const { return m_y; }
    RangedParameter<double>& weight() { return m_weight; }
    const RangedParameter<double>& weight() const { return m_weight; }
    RangedParameter<float>& edgeWidth() { return m_edgeWidth; }
    const RangedParameter<float>& edgeWidth() const { return m_edgeWidth; }
    RangedParameter<float>& edgeAngleRatio() { return m_edgeAngleRatio; }
    const RangedParameter<float>& edgeAngleRatio() const { return m_edgeAngleRatio; }

    QPointF position(const Prm::Context& context) const;

    // Writes the record's present fields at the context. Derived points
    // take the fields of their own kind of record.
    virtual void applyData(const ControlPointData& data, const Prm::Context& context);

    // ---- constraints ----
    // The point this one follows; null when none (or it is gone).
    boost::shared_ptr<ControlPoint> masterPoint() const { return m_master.lock(); }
    // Follows `master`, or nothing when null. No checks: see isConstraintCyclic.
    void setMasterPoint(const boost::shared_ptr<ControlPoint>& master);
    // Whether following `master` would close a loop: master is this point
    // or follows it, directly or through other points.
    bool isConstraintCyclic(const ControlPoint& master) const;

protected:
    void addParameters(std::initializer_list<Prm::ParameterWithoutType*> parameters);

private:
    unsigned int m_id;
    boost::weak_ptr<Contour> m_contour;
    boost::weak_ptr<ControlPoint> m_master;
    Prm::Parameter<bool> m_active;
    Prm::Parameter<bool> m_corner;
    RangedParameter<double> m_x;
    RangedParameter<double> m_y;
    RangedParameter<double> m_weight;
    RangedParameter<float> m_edgeWidth;
    RangedParameter<float> m_edgeAngleRatio;
};

} // namespace Rirediro
