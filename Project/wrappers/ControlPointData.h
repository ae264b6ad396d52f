#pragma once

#include <QPointF>

#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>

namespace Rirediro {
class ControlPointData;
}

// The editable fields of an X-spline control point, each of which may be
// absent: a whole point as read, or only the fields an edit changes.
class XControlPointData
{
public:
    XControlPointData(boost::optional<bool> active = boost::none, boost::optional<bool> corner = boost::none,
                      boost::optional<float> x = boost::none, boost::optional<float> y = boost::none,
                      boost::optional<float> weight = boost::none, boost::optional<float> edge_width = boost::none,
                      boost::optional<float> edge_angle_ratio = boost::none);
    virtual ~XControlPointData();

    boost::optional<bool> get_active() const { return m_active; }
    void set_active(boost::optional<bool> active) { m_active = active; }
    boost::optional<bool> get_corner() const { return m_corner; }
    void set_corner(boost::optional<bool> corner) { m_corner = corner; }
    boost::optional<float> get_x() const { return m_x; }
    void set_x(boost::optional<float> x) { m_x = x; }
    boost::optional<float> get_y() const { return m_y; }
    void set_y(boost::optional<float> y) { m_y = y; }
    boost::optional<float> get_weight() const { return m_weight; }
    void set_weight(boost::optional<float> weight) { m_weight = weight; }
    boost::optional<float> get_edge_width() const { return m_edgeWidth; }
    void set_edge_width(boost::optional<float> edge_width) { m_edgeWidth = edge_width; }
    boost::optional<float> get_edge_angle_ratio() const { return m_edgeAngleRatio; }
    void set_edge_angle_ratio(boost::optional<float> edge_angle_ratio) { m_edgeAngleRatio = edge_angle_ratio; }

    // Field by field: both absent, or both present and equal (a NaN equals
    // nothing); a record always equals itself.
    bool operator==(const XControlPointData& other) const;

    // The core's record of the present fields.
    boost::shared_ptr<const Rirediro::ControlPointData> coreRecord() const;

private:
    boost::optional<bool> m_active;
    boost::optional<bool> m_corner;
    boost::optional<float> m_x;
    boost::optional<float> m_y;
    boost::optional<float> m_weight;
    boost::optional<float> m_edgeWidth;
    boost::optional<float> m_edgeAngleRatio;
};

// The editable fields of a Bezier control point, each of which may be
// absent. The handle offsets place the tangent handles relative to the point.
class BezierControlPointData
{
public:
    BezierControlPointData(boost::optional<bool> active = boost::none, boost::optional<bool> corner = boost::none,
                           boost::optional<float> x = boost::none, boost::optional<float> y = boost::none,
                           boost::optional<float> edge_width = boost::none,
                           boost::optional<float> edge_angle_ratio = boost::none,
                           boost::optional<QPointF> handle_offset_backward = boost::none,
                           boost::optional<QPointF> handle_offset_forward = boost::none);
    virtual ~BezierControlPointData();

    boost::optional<bool> get_active() const { return m_active; }
    void set_active(boost::optional<bool> active) { m_active = active; }
    boost::optional<bool> get_corner() const { return m_corner; }
    void set_corner(boost::optional<bool> corner) { m_corner = corner; }
    boost::optional<float> get_x() const { return m_x; }
    void set_x(boost::optional<float> x) { m_x = x; }
    boost::optional<float> get_y() const { return m_y; }
    void set_y(boost::optional<float> y) { m_y = y; }
    boost::optional<float> get_edge_width() const { return m_edgeWidth; }
    void set_edge_width(boost::optional<float> edge_width) { m_edgeWidth = edge_width; }
    boost::optional<float> get_edge_angle_ratio() const { return m_edgeAngleRatio; }
    void set_edge_angle_ratio(boost::optional<float> edge_angle_ratio) { m_edgeAngleRatio = edge_angle_ratio; }
    boost::optional<QPointF> get_handle_offset_backward() const { return m_backward; }
    void set_handle_offset_backward(boost::optional<QPointF> handle_offset_backward) { m_backward = handle_offset_backward; }
    boost::optional<QPointF> get_handle_offset_forward() const { return m_forward; }
    void set_handle_offset_forward(boost::optional<QPointF> handle_offset_forward) { m_forward = handle_offset_forward; }

    // As XControlPointData's; handle offsets are equal when both are absent,
    // or both present and less than 0.0001 apart.
    bool operator==(const BezierControlPointData& other) const;

    boost::shared_ptr<const Rirediro::ControlPointData> coreRecord() const;

private:
    boost::optional<bool> m_active;
    boost::optional<bool> m_corner;
    boost::optional<float> m_x;
    boost::optional<float> m_y;
    boost::optional<float> m_edgeWidth;
    boost::optional<float> m_edgeAngleRatio;
    boost::optional<QPointF> m_backward;
    boost::optional<QPointF> m_forward;
};
