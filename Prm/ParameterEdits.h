#pragma once

// The undoable edits of Prm::Parameter<T>. The parameter's command
// operations make them and append them to a Bsc::CompositeCommand, which
// owns and runs them. Each edit changes its parameter only through the
// parameter's own (virtual) operations, captures what it will undo to on its
// first doIt, finds its parameter by address each time it runs (see
// Prm::ParameterEdit), and does nothing once its parameter is gone.

#include "Prm/KeyframeData.h"

#include <Prm/Context.h>
#include <Prm/Frame.h>
#include <Prm/Interpolation.h>
#include <Prm/KeyframeIndex.h>
#include <Prm/ParameterEdit.h>
#include <Prm/View.h>

#include <boost/optional.hpp>

#include <memory>
#include <vector>

namespace Prm {

template <typename T>
class Parameter;

// An edit of a Parameter<T>: the parameter as the edit found it for this
// run (the address finds only a parameter of the class it was taken from).
template <typename T>
class TypedParameterEdit : public ParameterEdit
{
protected:
    explicit TypedParameterEdit(Parameter<T>* parameter) : ParameterEdit(parameter) {}
    Parameter<T>* target() const { return dynamic_cast<Parameter<T>*>(this->parameter()); }
};

// Sets the interpolation of the keyframe at a context. Setting one reshapes
// the keyframe's segment; undo gives it back its whole former record.
template <typename T>
class ParameterInterpolationEdit : public TypedParameterEdit<T>
{
public:
    ParameterInterpolationEdit(Parameter<T>* parameter, const Context& context, Interpolation interpolation)
        : TypedParameterEdit<T>(parameter), m_context(context), m_new(interpolation)
    {
    }

protected:
    void capture() override;
    void apply() override { this->target()->vSetInterpolation(m_new, m_context); }
    void revert() override;

private:
    Context m_context;
    Interpolation m_old = Interpolation(0);
    Interpolation m_new;
    boost::optional<IType> m_oldSegment;
};

// Replaces the interpolation record of one keyframe.
template <typename T>
class ParameterInterpolationDataEdit : public TypedParameterEdit<T>
{
public:
    ParameterInterpolationDataEdit(Parameter<T>* parameter, const KeyframeIndex& index, const IType& itype)
        : TypedParameterEdit<T>(parameter), m_view(index.view), m_index(index.index), m_old(itype), m_new(itype)
    {
    }

protected:
    void capture() override
    {
        m_old = this->target()->interpolationData(KeyframeIndex(this->target(), m_view, m_index));
    }
    void apply() override { this->target()->vSetInterpolationData(m_new, m_index, m_view); }
    void revert() override { this->target()->vSetInterpolationData(m_old, m_index, m_view); }

private:
    View m_view;
    uint32_t m_index;
    IType m_old;
    IType m_new;
};

enum class ExtrapolationSide { Before, After };

// Sets the extrapolation before the first or after the last keyframe.
template <typename T, ExtrapolationSide Side>
class ParameterExtrapolationEdit : public TypedParameterEdit<T>
{
public:
    ParameterExtrapolationEdit(Parameter<T>* parameter, Extrapolation extrapolation)
        : TypedParameterEdit<T>(parameter), m_new(extrapolation)
    {
    }

protected:
    void capture() override
    {
        m_old = Side == ExtrapolationSide::Before ? this->target()->extrapolationBefore()
                                                  : this->target()->extrapolationAfter();
    }
    void apply() override { set(m_new); }
    void revert() override { set(m_old); }

private:
    void set(Extrapolation extrapolation)
    {
        if (Side == ExtrapolationSide::Before)
            this->target()->vSetExtrapolationBefore(extrapolation);
        else
            this->target()->vSetExtrapolationAfter(extrapolation);
    }

    Extrapolation m_old = Extrapolation(0);
    Extrapolation m_new;
};

template <typename T>
using ParameterExtrapolationBeforeEdit = ParameterExtrapolationEdit<T, ExtrapolationSide::Before>;
template <typename T>
using ParameterExtrapolationAfterEdit = ParameterExtrapolationEdit<T, ExtrapolationSide::After>;

// Adds a keyframe at a frame in each of a list of views that has none
// there, with the value the parameter has at that frame. A parameter that
// follows a master gets no keyframes. Appending a keyframe reshapes the
// segment of the keyframe before it; undo gives that one its record back.
template <typename T>
class ParameterAddKeyEdit : public TypedParameterEdit<T>
{
public:
    ParameterAddKeyEdit(Parameter<T>* parameter, const Frame& frame, std::vector<View> views)
        : TypedParameterEdit<T>(parameter), m_frame(frame), m_views(std::move(views))
    {
    }

protected:
    void capture() override;
    void apply() override;
    // Removes only keyframes that apply added.
    void revert() override;

private:
    Context::Explicit contextIn(const View& view) const { return Context::Explicit(m_frame.time(), view, 3); }

    struct ReshapedKey
    {
        View view;
        Time time;
        IType segment;
    };

    Frame m_frame;
    std::vector<View> m_views;
    std::vector<View> m_addedViews;
    std::vector<ReshapedKey> m_reshaped;
    bool m_keysAdded = false;
};

// Deletes the keyframe at a time in each of a list of views that has one
// there. Undo puts each keyframe back whole: value, interpolation and
// interpolation data, the segment of the keyframe before it (which re-adding
// a last keyframe would otherwise reshape) and the view's static value
// (which deleting a view's only keyframe replaces).
template <typename T>
class ParameterDeleteKeyEdit : public TypedParameterEdit<T>
{
public:
    // At the start of a frame, as users address keyframes.
    ParameterDeleteKeyEdit(Parameter<T>* parameter, const Frame& frame, std::vector<View> views)
        : ParameterDeleteKeyEdit(parameter, frame.time(), std::move(views))
    {
    }
    // At an exact time, for keyframes that may lie between frames.
    ParameterDeleteKeyEdit(Parameter<T>* parameter, Time time, std::vector<View> views)
        : TypedParameterEdit<T>(parameter), m_time(time), m_views(std::move(views))
    {
    }

protected:
    void capture() override;
    void apply() override;
    void revert() override;

private:
    struct DeletedKey
    {
        View view;
        KeyframeData<T> key;
        boost::optional<IType> previousSegment;
        T staticValue;
    };

    Context::Explicit contextIn(const View& view) const { return Context::Explicit(m_time, view, 3); }

    Time m_time;
    std::vector<View> m_views;
    std::vector<DeletedKey> m_deleted;
};

// Deletes every keyframe of a view, each by its exact time.
template <typename T>
class ParameterDeleteAllKeysEdit : public TypedParameterEdit<T>
{
public:
    ParameterDeleteAllKeysEdit(Parameter<T>* parameter, const View& view)
        : TypedParameterEdit<T>(parameter), m_view(view)
    {
    }

protected:
    void capture() override;
    void apply() override;
    // Undoes the deletions first to last, then gives every keyframe back
    // the interpolation record it had, which re-adding the later keyframes
    // reshapes.
    void revert() override;

private:
    std::vector<std::unique_ptr<ParameterDeleteKeyEdit<T>>> m_keyDeletions;
    std::vector<KeyframeData<T>> m_keys;
    View m_view;
};

// Makes a parameter of the same value type follow this one; undo releases
// it and gives it back its own keyframe data as it was before.
template <typename T>
class ParameterAddConstrainedParameterEdit : public TypedParameterEdit<T>
{
public:
    ParameterAddConstrainedParameterEdit(Parameter<T>* master, Parameter<T>* slave);

protected:
    void capture() override;
    void apply() override;
    void revert() override;

private:
    bool m_notConstrained = true;
    ParameterAddress m_slave; // of no parameter when the slave given is not a Parameter<T>
    std::unique_ptr<Parameter<T>> m_backup;
};

// Sets the static value of one view (keyframes stay untouched).
template <typename T>
class ParameterStaticValueEdit : public TypedParameterEdit<T>
{
public:
    ParameterStaticValueEdit(Parameter<T>* parameter, const T& value, const View& view)
        : TypedParameterEdit<T>(parameter), m_new(value), m_view(view)
    {
    }

protected:
    void capture() override { m_old = this->target()->value(m_view); }
    void apply() override { this->target()->setValue(m_new, m_view); }
    void revert() override { this->target()->setValue(m_old, m_view); }

private:
    T m_old{};
    T m_new;
    View m_view;
};

} // namespace Prm
