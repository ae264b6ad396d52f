#pragma once

// Helpers shared by the parameter template tests: contexts, announcements
// and a complete, readable dump of a parameter's state.

#include "Prm/Parameter.h"

#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace Prm {

inline void PrintTo(const ParameterChange& change, std::ostream* out)
{
    *out << "{type " << change.type << ", view " << change.view.id() << ", index " << change.index << ", time "
         << change.context.time.toDouble() << "}";
}

} // namespace Prm

namespace testing_support {

using Prm::ParameterChange;

// A context at a time in a view, as the system builds them (mode 3).
inline Prm::Context at(double time, int view = 0)
{
    return Prm::Context(Prm::Time::fromDouble(time), Prm::View(view), 3);
}

inline Prm::Context::Explicit exactlyAt(double time, int view = 0)
{
    return Prm::Context::Explicit(at(time, view));
}

// The time the scripting API passes when it names no frame.
inline Prm::Context staticAt(int view = 0)
{
    return at(4294967295.0, view);
}

inline ParameterChange change(ParameterChange::ChangeType type, Prm::ParameterWithoutType& parameter, int view,
                              unsigned int index = 0)
{
    return ParameterChange(type, &parameter, Prm::View(view), index, Prm::Context());
}

inline ParameterChange removed(Prm::ParameterWithoutType& parameter, unsigned int index, double time, int view = 0)
{
    return ParameterChange(ParameterChange::KeyframeRemoved, &parameter, Prm::View(view), index, at(time, view));
}

inline std::vector<ParameterChange> recorded(const Prm::ParameterChangeRecorder& recorder)
{
    return std::vector<ParameterChange>(recorder.changes().begin(), recorder.changes().end());
}

// Everything a parameter holds, one line per fact: settings, then per own
// view (or view 0) its static value and keyframes with their whole
// interpolation records.
template <typename T>
QString describe(const Prm::Parameter<T>& parameter)
{
    QStringList lines;
    lines << QStringLiteral("keyed=%1 splittable=%2 split=%3 hidden=%4 before=%5 after=%6 defaultInterpolation=%7")
                 .arg(parameter.isKeyframed())
                 .arg(parameter.splittable())
                 .arg(parameter.isSplit())
                 .arg(parameter.isHidden())
                 .arg(int(parameter.extrapolationBefore()))
                 .arg(int(parameter.extrapolationAfter()))
                 .arg(int(parameter.defaultInterpolation()));
    for (const Prm::View& view : parameter.viewList()) {
        const auto& data = parameter.viewData(view);
        lines << QStringLiteral("view %1 own=%2 static=%3")
                     .arg(view.id())
                     .arg(parameter.hasViewData(view))
                     .arg(Prm::detail::ValueText<T>::write(data.staticValue));
        for (const auto& key : data.keyframes) {
            lines << QStringLiteral("  key %1 = %2 %3 [%4 %5 %6 %7]")
                         .arg(Prm::detail::formatNumber(key.time.toDouble()))
                         .arg(Prm::detail::ValueText<T>::write(key.value))
                         .arg(int(key.itype.interpolation))
                         .arg(key.itype.data[0])
                         .arg(key.itype.data[1])
                         .arg(key.itype.data[2])
                         .arg(key.itype.data[3]);
        }
    }
    return lines.join(QLatin1Char('\n'));
}

// The text form of a parameter, one entry per line.
inline QStringList streamOut(const Prm::ParameterWithoutType& parameter, const QString& prefix = QString(),
                             bool useName = true)
{
    QString text;
    QTextStream out(&text);
    parameter.bStreamOut(out, prefix, useName);
    out.flush();
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Reads lines (with the parameter's own prefix removed) into a parameter;
// returns how many it recognised.
inline int streamIn(Prm::ParameterWithoutType& parameter, const QStringList& lines,
                    Prm::ProjectFileVersion version = Prm::StreamVersion::current)
{
    int recognised = 0;
    for (const QString& line : lines)
        recognised += parameter.streamInValue(line, version, {}) ? 1 : 0;
    return recognised;
}

} // namespace testing_support
