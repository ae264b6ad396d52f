#pragma once

#include "Prm/Context.h"
#include "Prm/Frame.h"
#include "Prm/Interpolation.h"
#include "Prm/KeyframeIndex.h"
#include "Prm/MultiViewInterpolation.h"
#include "Prm/ParameterChange.h"
#include "Prm/Time.h"
#include "Prm/View.h"

#include <Bsc/Memento.h>

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <new>
#include <vector>

class QTextStream;

namespace Bsc {
class CompositeCommand;
class Hash;
} // namespace Bsc

namespace Prm {

class AnimationState;
class ParameterSet;
class SerialisedKeyframe;
struct ProjectFileVersion;

// The root of all parameter classes.
class BasicParameter : public QObject
{
    Q_OBJECT
public:
    explicit BasicParameter(QObject* parent = nullptr);
    ~BasicParameter() override;

    // The Qt meta-type id of the parameter's class; 0 when it has none.
    virtual int qMetaType() const { return 0; }
    // Feeds what the parameter contributes to a cache key at a context.
    virtual void calculateHash(Bsc::Hash&, const Context&) const {}
};

// A parameter of any value type: names, visibility, master parameter,
// observers and change announcements, and the typed operations that each
// value type's parameter implements (Prm::Parameter<T>).
class ParameterWithoutType : public BasicParameter, public virtual Bsc::MementoUndoable
{
    Q_OBJECT
public:
    // `hidden` hides the parameter from users; `locked` keeps users from editing it.
    explicit ParameterWithoutType(bool hidden = false, bool locked = false, ParameterSet* set = nullptr);
    // Copies names, flags and multi-view settings; not the set membership,
    // the master, the observers or the hidden flag (the copy starts shown).
    ParameterWithoutType(const ParameterWithoutType& other);
    ~ParameterWithoutType() override;

    // ---- names, flags and membership (not virtual) ----
    QString displayName() const { return m_displayName; }
    // The name prefix, ".", then the script name ("layer1.opacity").
    QString extendedName() const { return m_namePrefix + QLatin1Char('.') + m_scriptName; }
    QString namePrefix() const { return m_namePrefix; }
    void setNamePrefix(const QString& prefix) { m_namePrefix = prefix; }
    bool isHidden() const { return m_hidden; }
    void hide(bool hidden) { m_hidden = hidden; }
    bool isLocked() const { return m_locked; }
    void setLocked(bool locked) { m_locked = locked; }
    ParameterSet* parameterSet() const;
    void setParameterSet(ParameterSet* set);

    // ---- master parameter ----
    // The parameter this one follows, or null (also once the master is destroyed).
    ParameterWithoutType* masterParameter() const;
    // Makes `slave` follow this parameter. Refused (false) for a null slave,
    // for this parameter itself and when this parameter already follows the
    // slave, directly or through other masters.
    bool bAddConstrainedParameter(ParameterWithoutType* slave);
    // Stops following the master; false when there was none.
    bool bUnconstrain();
    // Sets the master without any check; loaders use it to restore links.
    // Value types guard against masters of another type and master cycles.
    void setMasterParameter(ParameterWithoutType* master);
    // The master's extended name as a project file names it, until resolved.
    QString masterParameterId() const { return m_masterParameterId; }
    void setMasterParameterId(const QString& id) { m_masterParameterId = id; }

    // ---- multi-view settings ----
    // The switch that says per view whether the view shares the hero view's
    // value (true) or may get its own (false): a Parameter<bool>, optional.
    // Null once the switch is destroyed.
    ParameterWithoutType* viewSplitSwitch() const { return m_viewSplitSwitch.data(); }
    void setViewSplitSwitch(ParameterWithoutType* viewSplitSwitch) { m_viewSplitSwitch = viewSplitSwitch; }
    const MVInterpolationParams& mvInterpolationParams() const { return m_mvInterpolationParams; }
    void setMVInterpolationParams(const MVInterpolationParams& params) { m_mvInterpolationParams = params; }

    // ---- change announcements ----
    // Delivers a change to the observers, unless the parameter's signals are
    // blocked and no permit lets this type of change through.
    void emitChange(ParameterChange& change);
    void permitChange(ParameterChange::ChangeType type);
    void revokeChangePermit(ParameterChange::ChangeType type);

    // ---- text form and scripting ----
    virtual bool bStreamOut(QTextStream& out, const QString& prefix, bool useName) const = 0;
    // Sets the static value of the default view from a script's text;
    // false when the parameter refuses it.
    virtual bool setFromScriptString(const QString& text);
    virtual QString scriptName() const { return m_scriptName; }
    virtual QVariant variantValue(const Context& context) const = 0;
    virtual void setVariantValue(const QVariant& value, const Context& context) = 0;
    virtual QVariant variantValue(const Context& context, const std::nothrow_t&) const = 0;
    virtual void setVariantValue(const QVariant& value, const Context& context, const std::nothrow_t&) = 0;
    virtual QVector<Context> allKeyframes() const = 0;
    virtual bool streamInValue(const QString& line, const ProjectFileVersion& version,
                               boost::function<QString(const QString&)> valueFilter) = 0;
    virtual void onUpstreamParameterChanged(const ParameterChange&) {}
    // Copies names and flags of another parameter.
    virtual void assignFrom(const ParameterWithoutType& other);
    virtual void attachObserver(ParameterObserver* observer);
    virtual void detachObserver(ParameterObserver* observer);
    virtual void detachAllObservers();
    virtual void setDisplayName(const QString& name) { m_displayName = name; }
    virtual void setScriptName(const QString& name) { m_scriptName = name; }
    // Undoable forms of bUnconstrain, of this parameter and of one of its slaves.
    virtual bool bUnconstrainCommand(Bsc::CompositeCommand& command);
    virtual bool bRemoveConstrainedParameterCommand(ParameterWithoutType* slave, Bsc::CompositeCommand& command);

    // ---- interpolation and extrapolation ----
    virtual void vSetExtrapolationBefore(Extrapolation extrapolation) = 0;
    virtual void vSetExtrapolationAfter(Extrapolation extrapolation) = 0;
    virtual void vSetDefaultInterpolation(Interpolation interpolation) = 0;
    virtual void vSetInterpolation(Interpolation interpolation, const Context& context) = 0;
    virtual void vSetInterpolationData(IType itype, unsigned int index, const View& view) = 0;
    virtual Extrapolation extrapolationBefore() const = 0;
    virtual Extrapolation extrapolationAfter() const = 0;
    virtual Interpolation interpolation(const Context& context) const = 0;
    virtual Interpolation interpolation(const KeyframeIndex& index) const = 0;
    virtual IType interpolationData(const KeyframeIndex& index) const = 0;
    virtual void vSetInterpolationCommand(Interpolation interpolation, Context context, Bsc::CompositeCommand& command) = 0;
    virtual void vSetInterpolationDataCommand(Bsc::CompositeCommand& command, IType itype, const KeyframeIndex& index) = 0;
    virtual void vSetExtrapolationBeforeCommand(Extrapolation extrapolation, Bsc::CompositeCommand& command) = 0;
    virtual void vSetExtrapolationAfterCommand(Extrapolation extrapolation, Bsc::CompositeCommand& command) = 0;

    // ---- keyframes ----
    virtual bool isKeyframed() const = 0;
    virtual unsigned int keyframeCount(const View& view) const = 0;
    virtual Context keyframeTime(unsigned int index, const View& view) const = 0;
    virtual void adjustKeyframesTime(const boost::function<Time(Time)>& retime) = 0;
    virtual bool bKeyframeAt(const Context::Explicit& context) const = 0;
    virtual bool bNearestKeyframeTime(const Context& context, Time& time) const = 0;
    virtual bool bNearestKeyframeIndex(const Context& context, unsigned int& index) const = 0;
    virtual bool bPreviousKeyframe(const Context& context, Context& previous) const = 0;
    virtual bool bNextKeyframe(const Context& context, Context& next) const = 0;
    virtual unsigned int iAddKeyframe(const Context& context) = 0;
    virtual void iAddKeyframe(const Frame& frame, const AnimationState& state) = 0;
    virtual void vDeleteKeyframe(const Context::Explicit& context) = 0;
    virtual void vDeleteAllKeyframes(const View& view) = 0;
    virtual void vReset(const Context& context) = 0;
    virtual boost::shared_ptr<SerialisedKeyframe> getSerialisedKeyframe(Context context) const = 0;
    virtual void importKeyframe(const SerialisedKeyframe& keyframe) = 0;

    // ---- views ----
    virtual bool isSplit() const = 0;
    virtual unsigned int numViews() const = 0;
    virtual void setSplittable(bool splittable) = 0;
    virtual bool splittable() const = 0;
    virtual const std::vector<View>& viewList() const = 0;
    virtual void copyViewData(const View& target, const View& source, const ParameterWithoutType* sourceParameter) = 0;
    virtual void uniquifyView(const View& view) = 0;
    virtual bool initialiseHeroView(const View& view, const View& source) = 0;
    virtual bool deleteView(const View& view) = 0;

    // ---- undoable edits ----
    virtual void vAddKeyframeCommand(const Context::Explicit& context, Bsc::CompositeCommand& command) = 0;
    virtual void vAddKeyframeCommand(const Frame& frame, const AnimationState& state, Bsc::CompositeCommand& command) = 0;
    virtual void createKeyframeDeletion(const Context::Explicit& context, Bsc::CompositeCommand& command) = 0;
    virtual void createKeyframeDeletion(const Frame& frame, const AnimationState& state, Bsc::CompositeCommand& command) = 0;
    virtual void vDeleteAllKeyframesCommand(const View& view, Bsc::CompositeCommand& command) = 0;
    virtual bool bAddConstrainedParameterCommand(ParameterWithoutType* slave, Bsc::CompositeCommand& command) = 0;
    virtual void vCopyKeyframeDataFrom(const ParameterWithoutType* source) = 0;

signals:
    // Emitted with every change that reaches the observers (while signals
    // are not blocked).
    void changed(int changeType);

protected:
    // Value types copy these member by member when they assign whole states.
    void copyNamesAndFlagsFrom(const ParameterWithoutType& other);

private:
    QString m_displayName;
    QString m_scriptName;
    QString m_namePrefix;
    bool m_locked;
    bool m_hidden;
    QPointer<ParameterSet> m_set;
    QPointer<QObject> m_master;
    QString m_masterParameterId;
    QPointer<ParameterWithoutType> m_viewSplitSwitch;
    MVInterpolationParams m_mvInterpolationParams;
    QVector<ParameterObserver*> m_observers;
    QHash<int, int> m_permits; // change type -> number of live permits
};

// Lets one type of change through a parameter's blocked signals while it lives.
class ScopedSignalPermit
{
public:
    ScopedSignalPermit(ParameterWithoutType& parameter, ParameterChange::ChangeType type);
    ~ScopedSignalPermit();
    ScopedSignalPermit(const ScopedSignalPermit&) = delete;
    ScopedSignalPermit& operator=(const ScopedSignalPermit&) = delete;

private:
    QPointer<ParameterWithoutType> m_parameter;
    ParameterChange::ChangeType m_type;
};

} // namespace Prm
