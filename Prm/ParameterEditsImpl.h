#pragma once

// Prm::Parameter<T>: command operations, the edits' steps, whole-state
// copies and the memento. Included by Prm/Parameter.h.

#include <Bsc/Command.h>

#include <boost/make_shared.hpp>

#include <typeinfo>

namespace Prm {

// ---- whole-state copies ----

template <typename T>
void Parameter<T>::copyAnimationStateFrom(const Parameter& other, bool withDefaultInterpolation)
{
    m_keyframed = other.m_keyframed;
    m_views = other.m_views;
    m_split = other.m_split;
    m_splittable = other.m_splittable;
    if (withDefaultInterpolation)
        m_defaultInterpolation = other.m_defaultInterpolation;
    m_extrapolationBefore = other.m_extrapolationBefore;
    m_extrapolationAfter = other.m_extrapolationAfter;
}

template <typename T>
void Parameter<T>::assignFrom(const ParameterWithoutType& other)
{
    ParameterWithoutType::assignFrom(other);
    const auto* typed = dynamic_cast<const Parameter<T>*>(&other);
    if (!typed || typed == this)
        return;
    copyAnimationStateFrom(*typed, true);
    ParameterChange::parameterAssigned(*this);
}

template <typename T>
boost::shared_ptr<Bsc::MementoBase> Parameter<T>::exportState() const
{
    return boost::make_shared<ParameterMemento>(*this);
}

template <typename T>
void Parameter<T>::doImportState(boost::shared_ptr<Bsc::MementoBase> memento)
{
    const auto* snapshot = dynamic_cast<const ParameterMemento*>(memento.get());
    if (!snapshot)
        throw std::bad_cast();
    copyNamesAndFlagsFrom(snapshot->parameter);
    copyAnimationStateFrom(snapshot->parameter, true);
    ParameterChange::parameterAssigned(*this);
}

template <typename T>
void Parameter<T>::vCopyKeyframeDataFrom(const ParameterWithoutType* source)
{
    const auto* typed = dynamic_cast<const Parameter<T>*>(source);
    if (!typed || typed == this)
        return;
    copyAnimationStateFrom(*typed, false);
    ParameterChange::parameterAssigned(*this);
}

template <typename T>
void Parameter<T>::vDeleteAllKeyframes(const View& view)
{
    if (!isKeyframed() || (splittable() && !hasViewData(view)))
        return;
    PVData& data = targetData(view);
    {
        QMutexLocker lock(&data.mutex);
        if (data.keyframes.isEmpty())
            return;
        data.keyframes = KeyframeVector();
    }
    ParameterChange change(ParameterChange::AllKeyframesRemoved, this, 0u);
    emitChange(change);
}

// ---- command operations ----

template <typename T>
void Parameter<T>::vSetInterpolationCommand(Interpolation interpolation, Context context, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterInterpolationEdit<T>(this, context, interpolation));
}

template <typename T>
void Parameter<T>::vSetInterpolationDataCommand(Bsc::CompositeCommand& command, IType itype, const KeyframeIndex& index)
{
    command.push_back(new ParameterInterpolationDataEdit<T>(this, index, itype));
}

template <typename T>
void Parameter<T>::vSetExtrapolationBeforeCommand(Extrapolation extrapolation, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterExtrapolationBeforeEdit<T>(this, extrapolation));
}

template <typename T>
void Parameter<T>::vSetExtrapolationAfterCommand(Extrapolation extrapolation, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterExtrapolationAfterEdit<T>(this, extrapolation));
}

template <typename T>
void Parameter<T>::vAddKeyframeCommand(const Context::Explicit& context, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterAddKeyEdit<T>(this, Frame::fromTime(context.time), {context.view}));
}

template <typename T>
void Parameter<T>::vAddKeyframeCommand(const Frame& frame, const AnimationState& state, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterAddKeyEdit<T>(this, frame, state.viewsToKey()));
}

template <typename T>
void Parameter<T>::createKeyframeDeletion(const Context::Explicit& context, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterDeleteKeyEdit<T>(this, Frame::fromTime(context.time), {context.view}));
}

template <typename T>
void Parameter<T>::createKeyframeDeletion(const Frame& frame, const AnimationState& state, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterDeleteKeyEdit<T>(this, frame, state.viewsToKey()));
}

template <typename T>
void Parameter<T>::vDeleteAllKeyframesCommand(const View& view, Bsc::CompositeCommand& command)
{
    command.push_back(new ParameterDeleteAllKeysEdit<T>(this, view));
}

template <typename T>
bool Parameter<T>::bAddConstrainedParameterCommand(ParameterWithoutType* slave, Bsc::CompositeCommand& command)
{
    auto* typedSlave = dynamic_cast<Parameter<T>*>(slave);
    command.push_back(new ParameterAddConstrainedParameterEdit<T>(this, typedSlave));
    return typedSlave != nullptr;
}

// ---- edits ----

template <typename T>
void ParameterInterpolationEdit<T>::capture()
{
    Parameter<T>& parameter = *this->target();
    m_old = parameter.interpolation(m_context);
    if (parameter.bKeyframeAt(Context::Explicit(m_context)))
        m_oldSegment = parameter.keyframe(parameter.keyframeIndexForTime(m_context), m_context.view).itype;
}

template <typename T>
void ParameterInterpolationEdit<T>::revert()
{
    Parameter<T>& parameter = *this->target();
    parameter.vSetInterpolation(m_old, m_context);
    if (!m_oldSegment)
        return;
    const unsigned int index = parameter.keyframeIndexForTime(m_context);
    if (index != NO_KEYFRAME && parameter.keyframe(index, m_context.view).itype != *m_oldSegment)
        parameter.vSetInterpolationData(*m_oldSegment, index, m_context.view);
}

template <typename T>
void ParameterAddKeyEdit<T>::capture()
{
    Parameter<T>& parameter = *this->target();
    for (const View& view : m_views) {
        if (!parameter.bKeyframeAt(contextIn(view)))
            m_addedViews.push_back(view);
    }
}

template <typename T>
void ParameterAddKeyEdit<T>::apply()
{
    Parameter<T>& parameter = *this->target();
    if (m_addedViews.empty() || parameter.masterParameter())
        return;
    m_reshaped.clear();
    for (const View& view : m_addedViews) {
        const unsigned int count = parameter.keyframeCount(view);
        if (count > 0) {
            const KeyframeData<T> last = parameter.keyframe(count - 1, view);
            if (last.time < m_frame.time())
                m_reshaped.push_back({view, last.time, last.itype});
        }
        parameter.iAddKeyframe(contextIn(view));
    }
    m_keysAdded = true;
}

template <typename T>
void ParameterAddKeyEdit<T>::revert()
{
    Parameter<T>& parameter = *this->target();
    if (!m_keysAdded)
        return;
    for (const View& view : m_addedViews)
        parameter.vDeleteKeyframe(contextIn(view));
    for (const ReshapedKey& reshaped : m_reshaped) {
        const unsigned int index = parameter.keyframeIndexForTime(Context(reshaped.time, reshaped.view, 3));
        if (index != NO_KEYFRAME && parameter.keyframe(index, reshaped.view).itype != reshaped.segment)
            parameter.vSetInterpolationData(reshaped.segment, index, reshaped.view);
    }
    m_keysAdded = false;
}

template <typename T>
void ParameterDeleteKeyEdit<T>::capture()
{
    Parameter<T>& parameter = *this->target();
    for (const View& view : m_views) {
        const Context::Explicit at = contextIn(view);
        if (!parameter.bKeyframeAt(at))
            continue;
        const unsigned int index = parameter.keyframeIndexForTime(at);
        DeletedKey deleted{view, parameter.keyframe(index, view), boost::none, parameter.value(view)};
        if (index > 0 && index != NO_KEYFRAME)
            deleted.previousSegment = parameter.keyframe(index - 1, view).itype;
        m_deleted.push_back(deleted);
    }
}

template <typename T>
void ParameterDeleteKeyEdit<T>::apply()
{
    Parameter<T>& parameter = *this->target();
    for (const DeletedKey& deleted : m_deleted)
        parameter.vDeleteKeyframe(contextIn(deleted.view));
}

template <typename T>
void ParameterDeleteKeyEdit<T>::revert()
{
    Parameter<T>& parameter = *this->target();
    for (const DeletedKey& deleted : m_deleted) {
        const Context::Explicit at = contextIn(deleted.view);
        parameter.iAddKeyframe(at);
        const unsigned int index = parameter.vSetValue(deleted.key.value, at);
        if (index == NO_KEYFRAME)
            continue;
        parameter.vSetInterpolationData(deleted.key.itype, index, deleted.view);
        if (deleted.previousSegment && index > 0
            && parameter.keyframe(index - 1, deleted.view).itype != *deleted.previousSegment)
            parameter.vSetInterpolationData(*deleted.previousSegment, index - 1, deleted.view);
        parameter.setValue(deleted.staticValue, deleted.view);
    }
}

template <typename T>
void ParameterDeleteAllKeysEdit<T>::capture()
{
    Parameter<T>& parameter = *this->target();
    const unsigned int count = parameter.keyframeCount(m_view);
    for (unsigned int i = 0; i < count; ++i) {
        const Context at = parameter.keyframeTime(i, m_view);
        m_keys.push_back(parameter.keyframe(i, m_view));
        m_keyDeletions.push_back(
            std::make_unique<ParameterDeleteKeyEdit<T>>(&parameter, at.time, std::vector<View>{at.view}));
    }
}

template <typename T>
void ParameterDeleteAllKeysEdit<T>::apply()
{
    for (const auto& deletion : m_keyDeletions)
        deletion->doIt();
}

template <typename T>
void ParameterDeleteAllKeysEdit<T>::revert()
{
    Parameter<T>& parameter = *this->target();
    for (const auto& deletion : m_keyDeletions)
        deletion->undoIt();
    for (const KeyframeData<T>& key : m_keys) {
        const unsigned int index = parameter.keyframeIndexForTime(Context(key.time, m_view, 3));
        if (index != NO_KEYFRAME && parameter.keyframe(index, m_view).itype != key.itype)
            parameter.vSetInterpolationData(key.itype, index, m_view);
    }
}

template <typename T>
ParameterAddConstrainedParameterEdit<T>::ParameterAddConstrainedParameterEdit(Parameter<T>* master, Parameter<T>* slave)
    : TypedParameterEdit<T>(master), m_slave(slave), m_backup(std::make_unique<Parameter<T>>())
{
    m_backup->setDisplayName(QString());
    m_backup->setScriptName(QString());
}

template <typename T>
void ParameterAddConstrainedParameterEdit<T>::capture()
{
    boost::shared_ptr<ParameterSet> hold;
    if (ParameterWithoutType* slave = m_slave.find(hold))
        m_backup->vCopyKeyframeDataFrom(slave);
}

template <typename T>
void ParameterAddConstrainedParameterEdit<T>::apply()
{
    boost::shared_ptr<ParameterSet> hold;
    m_notConstrained = !this->target()->bAddConstrainedParameter(m_slave.find(hold));
}

template <typename T>
void ParameterAddConstrainedParameterEdit<T>::revert()
{
    boost::shared_ptr<ParameterSet> hold;
    ParameterWithoutType* slave = m_slave.find(hold);
    if (m_notConstrained || !slave)
        return;
    slave->bUnconstrain();
    slave->vCopyKeyframeDataFrom(m_backup.get());
}

} // namespace Prm
