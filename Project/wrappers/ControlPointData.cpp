#include "ControlPointData.h"

#include <Rirediro/Layers/ControlPoint.h>

#include <boost/make_shared.hpp>

#include <cmath>

namespace {

template <typename T>
bool sameField(const boost::optional<T>& a, const boost::optional<T>& b)
{
    return a.has_value() == b.has_value() && (!a || *a == *b);
}

bool sameOffset(const boost::optional<QPointF>& a, const boost::optional<QPointF>& b)
{
    if (!a || !b)
        return a.has_value() == b.has_value();
    const double dx = a->x() - b->x();
    const double dy = a->y() - b->y();
    return float(std::sqrt(dx * dx + dy * dy)) < 0.0001f;
}

boost::optional<unsigned int> asFlag(const boost::optional<bool>& value)
{
    return value ? boost::optional<unsigned int>(*value ? 1u : 0u) : boost::none;
}

boost::optional<double> widened(const boost::optional<float>& value)
{
    return value ? boost::optional<double>(double(*value)) : boost::none;
}

// The fields both kinds of record have.
template <typename Record>
void copyCommonFields(const Record& from, Rirediro::ControlPointData& to)
{
    to.active = asFlag(from.get_active());
    to.corner = asFlag(from.get_corner());
    to.x = widened(from.get_x());
    to.y = widened(from.get_y());
    to.edgeWidth = from.get_edge_width();
    to.edgeAngleRatio = from.get_edge_angle_ratio();
}

template <typename Record>
bool sameCommonFields(const Record& a, const Record& b)
{
    return sameField(a.get_active(), b.get_active()) && sameField(a.get_corner(), b.get_corner())
           && sameField(a.get_x(), b.get_x()) && sameField(a.get_y(), b.get_y())
           && sameField(a.get_edge_width(), b.get_edge_width())
           && sameField(a.get_edge_angle_ratio(), b.get_edge_angle_ratio());
}

} // namespace

// ---- XControlPointData -----------------------------------------------------------------

XControlPointData::XControlPointData(boost::optional<bool> active, boost::optional<bool> corner,
                                     boost::optional<float> x, boost::optional<float> y,
                                     boost::optional<float> weight, boost::optional<float> edge_width,
                                     boost::optional<float> edge_angle_ratio)
    : m_active(active), m_corner(corner), m_x(x), m_y(y), m_weight(weight), m_edgeWidth(edge_width),
      m_edgeAngleRatio(edge_angle_ratio)
{
}

XControlPointData::~XControlPointData() = default;

bool XControlPointData::operator==(const XControlPointData& other) const
{
    return this == &other || (sameCommonFields(*this, other) && sameField(m_weight, other.m_weight));
}

boost::shared_ptr<const Rirediro::ControlPointData> XControlPointData::coreRecord() const
{
    auto record = boost::make_shared<Rirediro::XSplineControlPointData>();
    copyCommonFields(*this, *record);
    record->weight = m_weight;
    return record;
}

// ---- BezierControlPointData ------------------------------------------------------------

BezierControlPointData::BezierControlPointData(boost::optional<bool> active, boost::optional<bool> corner,
                                               boost::optional<float> x, boost::optional<float> y,
                                               boost::optional<float> edge_width,
                                               boost::optional<float> edge_angle_ratio,
                                               boost::optional<QPointF> handle_offset_backward,
                                               boost::optional<QPointF> handle_offset_forward)
    : m_active(active), m_corner(corner), m_x(x), m_y(y), m_edgeWidth(edge_width), m_edgeAngleRatio(edge_angle_ratio),
      m_backward(handle_offset_backward), m_forward(handle_offset_forward)
{
}

BezierControlPointData::~BezierControlPointData() = default;

bool BezierControlPointData::operator==(const BezierControlPointData& other) const
{
    return this == &other
           || (sameCommonFields(*this, other) && sameOffset(m_backward, other.m_backward)
               && sameOffset(m_forward, other.m_forward));
}

boost::shared_ptr<const Rirediro::ControlPointData> BezierControlPointData::coreRecord() const
{
    auto record = boost::make_shared<Rirediro::BezierControlPointData>();
    copyCommonFields(*this, *record);
    record->backwardHandle = m_backward;
    record->forwardHandle = m_forward;
    return record;
}
