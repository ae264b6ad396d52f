#pragma once

// The classes of the test-only module bindingprobe: small, but with every
// shape of class that the binding frame must carry.

#include "Python/SbkCleaner.h"

#include <QMap>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSize>
#include <QString>
#include <QVariant>
#include <QVector>

#include <boost/optional.hpp>

#include <memory>
#include <vector>

// Whether the calling thread holds the interpreter lock.
bool lockHeld();

// A value record with overloads, defaults and a public field.
class Sample
{
public:
    Sample() = default;
    Sample(const QString& text, int count) : m_text(text), m_count(count) {}
    virtual ~Sample() = default;

    QString get_text() const { return m_text; }
    void set_text(const QString& text) { m_text = text; }
    int get_count() const { return m_count; }
    void set_count(int count) { m_count = count; }

    double scaledBy(double factor) const { return m_count * factor; }
    double scaledByRatio(int numerator, int denominator) const { return m_count * double(numerator) / denominator; }
    QString describe(const QString& prefix, int width, bool upper) const;

    bool isNull() const { return m_text.isEmpty(); }
    bool operator==(const Sample& other) const { return m_text == other.m_text && m_count == other.m_count; }

    QPointF origin;
    // A field whose conversion gives a Qt class (or None) from another C++ type.
    boost::optional<QSize> limit;

private:
    QString m_text;
    int m_count = 0;
};

// An abstract class that Python may subclass.
class Shape
{
public:
    virtual ~Shape() = default;
    virtual double area() const = 0;
    virtual QString name() const { return QStringLiteral("shape"); }
    // Reaches both virtual operations from C++.
    QString describe() const;

    // Operations without result: the wrapper class tells through ranToEnd()
    // whether the last one that it routed ran to its end.
    virtual void draw(int times) { (void)times; }
    virtual void reset() = 0;
    bool ranToEnd() const { return m_ranToEnd; }

    // Results that the invalid-return warning names by their Python types.
    virtual QSize bounds() const { return QSize(1, 1); }
    virtual QMap<QString, QVariant> tags() const { return {}; }
    virtual QVector<QString> labels() const { return {}; }

protected:
    bool m_ranToEnd = true;
};

class Square : public Shape
{
public:
    explicit Square(double side = 1.0) : m_side(side) {}
    double area() const override { return m_side * m_side; }
    QString name() const override { return QStringLiteral("square"); }
    void reset() override {}

private:
    double m_side;
};

class Circle : public Shape
{
public:
    explicit Circle(double radius = 1.0) : m_radius(radius) {}
    double area() const override { return 3.0 * m_radius * m_radius; }
    void reset() override {}

private:
    double m_radius;
};

// A second base, first in Tile, so that Tile's Shape sits at an offset.
class Labelled
{
public:
    virtual ~Labelled() = default;
    QString get_label() const { return m_label; }
    void set_label(const QString& label) { m_label = label; }

private:
    QString m_label = QStringLiteral("unlabelled");
    double m_padding[3] = {};
};

class Tile : public Labelled, public Shape
{
public:
    double area() const override { return 4.0; }
    QString name() const override { return QStringLiteral("tile:") + get_label(); }
    void reset() override {}
};

// Owns shapes handed to it; passed by pointer.
class Canvas
{
public:
    ~Canvas();
    void add(Shape* shape);
    Shape* at(int index) const;
    Shape* take(int index);
    int count() const { return int(m_shapes.size()); }
    QString describeAll() const;

private:
    std::vector<Shape*> m_shapes;
};

QString describeShape(const Shape* shape);
// Each runs one operation of the shape; whether it ran to its end.
bool drawShape(Shape* shape, int times);
bool resetShape(Shape* shape);

// Sends `count` events of a type to an object; how many it accepted.
int deliverMany(QObject* receiver, int type, int count);

// A Qt child that invalidates its Python object when it dies, however.
class Part : public QObject, private SbkCleaner
{
    Q_OBJECT
public:
    explicit Part(QObject* parent) : QObject(parent), SbkCleaner(this) {}
};

// The probe's own Part, kept for the process and lent to Python: nothing but
// the probe may delete it.
Part* keptPart();

// A QObject class with a signal.
class Emitter : public QObject
{
    Q_OBJECT
public:
    explicit Emitter(QObject* parent = nullptr) : QObject(parent) {}
    // Identity: a QObject class compared by the frame.
    bool operator==(const Emitter& other) const { return this == &other; }
    bool operator!=(const Emitter& other) const { return this != &other; }
    void fire(int value) { Q_EMIT fired(value); }
    // Sends an event to the object, as the application does.
    bool deliver(int type);
    // Its Qt child, made on first use; null once deleted.
    Part* part();

Q_SIGNALS:
    void fired(int value);

private:
    QPointer<Part> m_part;
    bool m_partMade = false;
};

// Built from whatever it is given (its constructor looks at no argument).
class Blank
{
public:
    virtual ~Blank() = default;
};
