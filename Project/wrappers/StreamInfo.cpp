#include "StreamInfo.h"

#include <QHash>

QString StreamInfo::__repr__() const
{
    // One substitution pass, so that a path holding "%4" stays as it is.
    return QStringLiteral("StreamInfo(path='%1', prefix='%2', suffix='%3', start_frame=%4, end_frame=%5, index_width=%6)")
        .arg(m_path, m_prefix, m_suffix, QString::number(m_startFrame), QString::number(m_endFrame),
             QString::number(m_indexWidth));
}

uint qHash(const StreamInfo& info)
{
    return qHash(info.__repr__(), 0);
}
