#include "Probe.h"

#include <sbkpython.h>

#include <QCoreApplication>
#include <QEvent>

bool lockHeld()
{
    return PyGILState_Check() != 0;
}

QString Sample::describe(const QString& prefix, int width, bool upper) const
{
    QString text = prefix + QStringLiteral("%1").arg(m_text, width);
    return upper ? text.toUpper() : text;
}

QString Shape::describe() const
{
    return QStringLiteral("%1:%2").arg(name()).arg(area());
}

Canvas::~Canvas()
{
    for (Shape* shape : m_shapes)
        delete shape;
}

void Canvas::add(Shape* shape)
{
    if (shape)
        m_shapes.push_back(shape);
}

Shape* Canvas::at(int index) const
{
    return index >= 0 && index < count() ? m_shapes[std::size_t(index)] : nullptr;
}

Shape* Canvas::take(int index)
{
    Shape* shape = at(index);
    if (shape)
        m_shapes.erase(m_shapes.begin() + index);
    return shape;
}

QString Canvas::describeAll() const
{
    QStringList parts;
    for (const Shape* shape : m_shapes)
        parts << shape->describe();
    return parts.join(QLatin1Char(','));
}

QString describeShape(const Shape* shape)
{
    return shape ? shape->describe() : QStringLiteral("nothing");
}

bool drawShape(Shape* shape, int times)
{
    if (!shape)
        return false;
    shape->draw(times);
    return shape->ranToEnd();
}

bool resetShape(Shape* shape)
{
    if (!shape)
        return false;
    shape->reset();
    return shape->ranToEnd();
}

bool Emitter::deliver(int type)
{
    QEvent event{QEvent::Type(type)};
    return QCoreApplication::sendEvent(this, &event);
}

int deliverMany(QObject* receiver, int type, int count)
{
    int accepted = 0;
    for (int i = 0; i < count && receiver; ++i) {
        QEvent event{QEvent::Type(type)};
        accepted += QCoreApplication::sendEvent(receiver, &event) ? 1 : 0;
    }
    return accepted;
}

Part* Emitter::part()
{
    if (!m_partMade) {
        m_partMade = true;
        m_part = new Part(this);
    }
    return m_part.data();
}

Part* keptPart()
{
    static Part* const kept = [] {
        auto* part = new Part(nullptr);
        part->setObjectName(QStringLiteral("kept"));
        return part;
    }();
    return kept;
}

