#pragma once

#include "Prm/Context.h"
#include "Prm/View.h"

#include <QPointer>
#include <QVector>

#include <cstdint>

namespace Prm {

class ParameterWithoutType;

// One announced change of a parameter. Parameters announce every change
// through the static functions below, which hand the change to the
// parameter's emitChange.
struct ParameterChange
{
    // The numbers are part of the library's interface (signal permits name
    // them); never renumber.
    enum ChangeType : int32_t {
        ValueChanged = 0,
        ViewAdded = 1,
        ViewReset = 2,
        KeyframeAdded = 3,
        KeyframeRemoved = 4,
        KeyframeChangedValue = 5,
        KeyframeChangedInterpolation = 6,
        ExtrapolationBeforeChanged = 7,
        ExtrapolationAfterChanged = 8,
        AllKeyframesRemoved = 9,
        ParameterAssigned = 10,
        ConstraintChanged = 11,
        // Observers that keep state per view must hear of removed views even
        // while a parameter loads with its other announcements held back.
        ViewRemoved = 15,
    };

    // A change without view or keyframe: `number` is the change's index field.
    ParameterChange(ChangeType type, ParameterWithoutType* parameter, uint32_t number);
    ParameterChange(ChangeType type, ParameterWithoutType* parameter, View view, uint32_t index, Context context);

    ChangeType type;
    ParameterWithoutType* parameter;
    View view{-1};
    uint32_t index = 0; // keyframe index; 0xFFFFFFFF for a static value
    Context context;    // the deleted keyframe's context, for KeyframeRemoved

    bool operator==(const ParameterChange& o) const;
    bool operator!=(const ParameterChange& o) const { return !(*this == o); }

    static void valueChanged(ParameterWithoutType& parameter, const View& view);
    static void viewAdded(ParameterWithoutType& parameter, const View& view);
    static void viewRemoved(ParameterWithoutType& parameter, const View& view);
    static void viewReset(ParameterWithoutType& parameter, const View& view);
    static void keyframeAdded(ParameterWithoutType& parameter, uint32_t index, const View& view);
    static void keyframeRemoved(ParameterWithoutType& parameter, uint32_t index, const Context& context);
    static void keyframeChangedValue(ParameterWithoutType& parameter, uint32_t index, const View& view);
    static void keyframeChangedInterpolation(ParameterWithoutType& parameter, uint32_t index, const View& view);
    static void changedExtrapolationBefore(ParameterWithoutType& parameter);
    static void changedExtrapolationAfter(ParameterWithoutType& parameter);
    static void parameterAssigned(ParameterWithoutType& parameter);
};

// Told of every change a parameter lets through (see ParameterWithoutType::emitChange).
class ParameterObserver
{
public:
    virtual ~ParameterObserver();
    virtual void parameterChanged(const ParameterChange& change) = 0;
};

// Keeps every change of one parameter, in order, while it lives; for tests
// and diagnostics.
class ParameterChangeRecorder : public ParameterObserver
{
public:
    explicit ParameterChangeRecorder(ParameterWithoutType& parameter);
    ~ParameterChangeRecorder() override;

    const QVector<ParameterChange>& changes() const { return m_changes; }
    void clear() { m_changes.clear(); }

    void parameterChanged(const ParameterChange& change) override { m_changes.append(change); }

private:
    QPointer<ParameterWithoutType> m_parameter;
    QVector<ParameterChange> m_changes;
};

} // namespace Prm
