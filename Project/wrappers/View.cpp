#include "View.h"

#include <QHash>

QString View::__repr__() const
{
    return QStringLiteral("View(%1)").arg(m_view.id());
}

uint qHash(const View& view)
{
    return qHash(view.__repr__(), 0);
}
