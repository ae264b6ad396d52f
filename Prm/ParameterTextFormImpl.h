#pragma once

// Prm::Parameter<T>: the text form, one fact a line. Included by
// Prm/Parameter.h.
//
// A parameter writes either a single value line ("clip.value=3") or a view
// list followed by, per view, its static value or its keyframe lines, then
// the static values of keyed views, the hidden flag, the extrapolations and
// the master's name:
//   clip.views=[0]
//   clip.keyframes.append( Key( 10, 5, constant ) )
//   clip.keyframes.append( Key( 20, 7, constant ) )
//   clip.view[0].value=3
//   clip.before=constant
//   clip.after=constant
// Times and bezier handles are written so that they read back exactly.

#include <Bsc/ScopedSignalBlocker.h>

#include <QCoreApplication>
#include <QStringList>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <cmath>
#include <exception>

namespace Prm {

// ---- one keyframe ----

template <typename T>
Parameter<T>::TypedSerialisedKeyframe::TypedSerialisedKeyframe()
    : m_context(Time::fromDouble(Time::INVALID_TIME_VALUE), View(View::defaultViewId()), 3)
{
}

template <typename T>
Parameter<T>::TypedSerialisedKeyframe::TypedSerialisedKeyframe(const Context& context, const T& value,
                                                               const IType& itype,
                                                               boost::function<QString(const QString&)> valueFilter)
    : m_context(context), m_value(value), m_itype(itype), m_valueFilter(std::move(valueFilter))
{
}

template <typename T>
void Parameter<T>::TypedSerialisedKeyframe::adjustTime(float offset)
{
    m_context = Context(Time::fromDouble(m_context.time.toDouble() + double(offset)), m_context.view, 3);
}

template <typename T>
QString Parameter<T>::TypedSerialisedKeyframe::toString() const
{
    const bool bezier = m_itype.interpolation == InterpolationBezier;
    QString shape;
    if (bezier) {
        QStringList handles;
        for (const double handle : m_itype.data)
            handles.append(detail::formatNumber(handle));
        shape = handles.join(QStringLiteral(", "));
    } else {
        shape = qstrInterpolationTypeString(m_itype.interpolation);
    }
    const QString declaration = QStringLiteral("%1.append( %2( %3, %4, %5 ) )")
                                    .arg(ParameterStrings::keyframes,
                                         bezier ? ParameterStrings::bezierKey : ParameterStrings::key,
                                         detail::formatNumber(m_context.time.toDouble()),
                                         detail::ValueText<T>::write(m_value), shape);
    if (m_context.view.id() == View::defaultViewId())
        return declaration;
    return View::toString(m_context.view) + declaration;
}

template <typename T>
void Parameter<T>::TypedSerialisedKeyframe::setFromString(const QString& text)
{
    QString rest = text;
    View view = m_context.view.id() >= 0 ? m_context.view : View(View::defaultViewId());
    View::extractStringPrefix(rest, view);
    if (!rest.startsWith(ParameterStrings::keyframes, Qt::CaseInsensitive))
        detail::refuse(QCoreApplication::translate("Parameter", "Cannot parse keyframe string '%1'").arg(rest));

    QString timeText;
    QString valueText;
    IType itype;
    bool timeOk = false;
    double time = 0.0;
    if (detail::parseKeyframeDeclaration(rest, timeText, valueText, itype))
        time = timeText.toDouble(&timeOk);
    if (!timeOk || !std::isfinite(time))
        detail::refuse(QCoreApplication::translate("Parameter", "Failed to parse Key() block: '%1'").arg(rest));

    if (m_valueFilter)
        valueText = m_valueFilter(valueText);
    T value{};
    detail::ValueText<T>::read(valueText, value);

    m_context = Context(Time::fromDouble(time), view, 3);
    m_itype = itype;
    m_value = value;
}

// ---- writing ----

template <typename T>
typename Parameter<T>::KeyframeVector Parameter<T>::keyframesOf(const View& view) const
{
    if (!isKeyframed())
        return KeyframeVector();
    const LockedKeyframes keys(&m_views.viewData(view));
    return keys.keyframes();
}

template <typename T>
void Parameter<T>::writeKeyframeLines(QTextStream& out, const QString& prefix, const View& view,
                                      const KeyframeVector& keys) const
{
    for (const KeyframeData<T>& key : keys)
        out << prefix << TypedSerialisedKeyframe(Context(key.time, view, 3), key.value, key.itype).toString() << Qt::endl;
}

template <typename T>
void Parameter<T>::writeStaticValue(QTextStream& out, const QString& prefix, const View& view) const
{
    out << prefix << View::toString(view) << ParameterStrings::value << '='
        << detail::ValueText<T>::write(m_views.viewData(view).staticValue) << Qt::endl;
}

template <typename T>
void Parameter<T>::writeSingleViewValues(QTextStream& out, const QString& prefix, const View& view,
                                         bool forceViewPart) const
{
    const KeyframeVector keys = keyframesOf(view);
    if (!keys.isEmpty()) {
        writeKeyframeLines(out, prefix, view, keys);
    } else if (forceViewPart || view.id() != View::defaultViewId()) {
        writeStaticValue(out, prefix, view);
    } else {
        out << prefix << ParameterStrings::value << '=' << detail::ValueText<T>::write(m_views.viewData(view).staticValue)
            << Qt::endl;
    }
}

template <typename T>
bool Parameter<T>::bStreamOut(QTextStream& out, const QString& prefix, bool useName) const
{
    const QString linePrefix =
        useName && !scriptName().isEmpty() ? prefix + scriptName() + QLatin1Char('.') : prefix;
    const std::vector<View> views = viewList();
    const bool animated = isKeyframed();

    if (views.size() == 1 && views.front() == View(0) && keyframesOf(View(0)).isEmpty()) {
        writeSingleViewValues(out, linePrefix, View(0), false);
    } else {
        QStringList ids;
        for (const View& view : views)
            ids.append(QString::number(view.id()));
        out << linePrefix << ParameterStrings::views << "=[" << ids.join(QStringLiteral(", ")) << ']' << Qt::endl;
        for (const View& view : views) {
            const KeyframeVector keys = keyframesOf(view);
            if (keys.isEmpty())
                writeStaticValue(out, linePrefix, view);
            else
                writeKeyframeLines(out, linePrefix, view, keys);
        }
    }
    if (animated) {
        // Keyed views keep a static value too (it shows when keys are removed).
        for (const View& view : views) {
            if (!keyframesOf(view).isEmpty())
                writeStaticValue(out, linePrefix, view);
        }
    }
    if (isHidden())
        out << linePrefix << ParameterStrings::hidden << "=1" << Qt::endl;
    if (animated) {
        out << linePrefix << ParameterStrings::before << '=' << qstrExtrapolationTypeString(m_extrapolationBefore) << Qt::endl;
        out << linePrefix << ParameterStrings::after << '=' << qstrExtrapolationTypeString(m_extrapolationAfter) << Qt::endl;
    }
    if (const ParameterWithoutType* master = masterParameter())
        out << linePrefix << ParameterStrings::masterParameterId << '=' << master->extendedName() << Qt::endl;
    return true;
}

// ---- reading ----

template <typename T>
bool Parameter<T>::streamInValue(const QString& line, const ProjectFileVersion& version,
                                 boost::function<QString(const QString&)> valueFilter)
{
    // Loading is one change for observers: announcements stay blocked (all
    // but removed views), and appended keyframes keep the segment records
    // their lines carry. All three are undone on every way out, in reverse.
    struct StreamingFlag
    {
        explicit StreamingFlag(bool& flag) : m_flag(flag), m_saved(flag) { flag = true; }
        ~StreamingFlag() { m_flag = m_saved; }
        bool& m_flag;
        bool m_saved;
    } streaming(m_streamingIn);
    const Bsc::ScopedSignalBlocker blocker(this);
    const ScopedSignalPermit permit(*this, ParameterChange::ViewRemoved);

    if (line.startsWith(ParameterStrings::views)) {
        if (version < StreamVersion::anyViewList)
            return true;
        clearViewData();
        const std::vector<View> views = detail::parseViewList(line);
        for (const View& view : views)
            targetData(view);
        if (std::find(views.begin(), views.end(), View(0)) == views.end())
            deleteView(View(0));
        return true;
    }

    QString rest = line;
    View view(View::defaultViewId());
    const bool hasViewPrefix = View::extractStringPrefix(rest, view);
    const auto is = [&rest](const QString& keyword) { return rest.startsWith(keyword, Qt::CaseInsensitive); };
    const QString field = rest.section(QLatin1Char('='), 1, 1);

    if (is(ParameterStrings::keyframes)) {
        try {
            TypedSerialisedKeyframe keyframe(Context(Time::fromDouble(0.0), view, 3), T(), IType(), valueFilter);
            keyframe.setFromString(rest);
            importKeyframe(keyframe);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    if (is(ParameterStrings::value)) {
        QString text = rest.section(QLatin1Char('='), 1, -1);
        if (valueFilter)
            text = valueFilter(text);
        if (!hasViewPrefix && version >= StreamVersion::anyViewList)
            clearViewData();
        try {
            detail::ValueText<T>::read(text, targetData(view).staticValue);
        } catch (const std::exception&) {
            return false; // no value of T: the line is not this parameter's
        }
        return true;
    }
    if (is(ParameterStrings::hidden)) {
        hide(field.toInt() != 0);
        return true;
    }
    if (is(ParameterStrings::isKeyframed))
        return true;
    if (is(ParameterStrings::after)) {
        bStringToExtrapolationType(field, m_extrapolationAfter);
        return true;
    }
    if (is(ParameterStrings::before)) {
        bStringToExtrapolationType(field, m_extrapolationBefore);
        return true;
    }
    if (is(ParameterStrings::masterParameterId)) {
        setMasterParameterId(field);
        return true;
    }
    return false;
}

template <typename T>
boost::shared_ptr<SerialisedKeyframe> Parameter<T>::getSerialisedKeyframe(Context context) const
{
    if (context == Context(Time::fromDouble(Time::INVALID_TIME_VALUE), View(View::defaultViewId()), 3))
        return boost::make_shared<TypedSerialisedKeyframe>();
    const LockedKeyframes keys(&m_views.viewData(context.view));
    const unsigned int index = keyframeIndexForTime(context.time, keys);
    if (index == NO_KEYFRAME)
        return boost::shared_ptr<SerialisedKeyframe>();
    const KeyframeData<T>& key = keys.keyframes()[int(index)];
    return boost::make_shared<TypedSerialisedKeyframe>(Context(key.time, context.view, 3), key.value, key.itype);
}

template <typename T>
void Parameter<T>::importKeyframe(const SerialisedKeyframe& keyframe)
{
    const auto& typed = dynamic_cast<const TypedSerialisedKeyframe&>(keyframe);
    const Context context = typed.context();
    const unsigned int index = vSetValue(typed.value(), context);
    vSetInterpolation(typed.itype().interpolation, context);
    vSetInterpolationData(typed.itype(), index, context.view);
}

} // namespace Prm
