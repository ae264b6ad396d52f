#include "ViewInfo.h"

namespace {
QString component(float value)
{
    return QString::number(double(value), 'g', 6);
}
} // namespace

bool ViewInfo::operator==(const ViewInfo& other) const
{
    if (this == &other)
        return true;
    return m_name == other.m_name && m_abbr == other.m_abbr && m_color.r == other.m_color.r
        && m_color.g == other.m_color.g && m_color.b == other.m_color.b;
}

QString ViewInfo::__repr__() const
{
    // One substitution pass, so that a name holding "%3" stays as it is.
    return QStringLiteral("plinx.project.ViewInfo(\"%1\", \"%2\", (%3, %4, %5))")
        .arg(m_name, m_abbr, component(m_color.r), component(m_color.g), component(m_color.b));
}
