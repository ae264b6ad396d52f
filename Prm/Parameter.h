#pragma once

#include "Prm/KeyframeData.h"
#include "Prm/ValueTraits.h"

#include <Prm/AnimationState.h>
#include <Prm/Cache.h>
#include <Prm/Context.h>
#include <Prm/Frame.h>
#include <Prm/Interpolation.h>
#include <Prm/KeyframeIndex.h>
#include <Prm/ParameterChange.h>
#include <Prm/ParameterStrings.h>
#include <Prm/ParameterWithoutType.h>
#include <Prm/SerialisedKeyframe.h>
#include <Prm/Time.h>
#include <Prm/View.h>

#include <Bsc/Memento.h>

#include <QMutexLocker>
#include <QRecursiveMutex>
#include <QTextStream>
#include <QVector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <cstddef>
#include <limits>
#include <memory>
#include <typeinfo>
#include <vector>

namespace Bsc {
class CompositeCommand;
class Hash;
} // namespace Bsc

namespace Prm {

// The keyframe index that means "no keyframe".
inline constexpr unsigned int NO_KEYFRAME = 0xFFFFFFFFu;

// A named value of type T that may hold, per view of a multi-view project,
// its own static value and its own keyframes, with undoable edits and a
// text form.
//
// Views: a parameter starts with no data of its own; every view then reads
// the default value. The first write creates view 0's data, which every
// view without data of its own shares. A splittable parameter gives each
// view written to its own data and is "split" while two or more views have
// it.
//
// Misses are not errors: searches answer NO_KEYFRAME or false, reads fall
// back to the static value. Refusals throw std::runtime_error with a message
// translated in the context "Parameter".
template <typename T>
class Parameter : public virtual ParameterWithoutType
{
public:
    using ValueType = T;
    using KeyframeVector = KeyframeList<T>;

    // The data of one view. Its recursive mutex guards the keyframes (the
    // static value is read and written on the owning thread without it).
    struct PVData
    {
        PVData() = default;
        // A copy gets a mutex of its own; the keyframes stay implicitly
        // shared until one side writes.
        PVData(const PVData& other) : staticValue(other.staticValue), keyframes(other.keyframes) {}
        PVData& operator=(const PVData&) = delete;

        mutable QRecursiveMutex mutex;
        T staticValue{};
        KeyframeVector keyframes;
    };

    // Per-view data: the own data of each view that has some, a lookup
    // table by view id (a bounds check and one index for every read), and
    // the defaults that new data starts from.
    //
    // Invariants: ownViews is strictly ascending and parallel to ownData;
    // the lookup is empty without own data, else it has (highest own view
    // id + 1) entries, entry v being v's own data or, for a view without
    // any, the first own data.
    class FastViewMap
    {
    public:
        FastViewMap();
        FastViewMap(const FastViewMap& other);
        FastViewMap& operator=(const FastViewMap& other);
        ~FastViewMap();

        // The view's own data, or null.
        PVData* findRealViewData(const View& view) const;
        // The view's own data, created from the defaults when missing. View 0
        // always gets data first; a negative id means view 0 (or the first
        // own data).
        PVData& operator[](const View& view);
        // The data a view reads: its own, else the first own data, else the
        // defaults. Never creates data.
        const PVData& viewData(const View& view) const
        {
            const int32_t id = view.id();
            if (id >= 0 && std::size_t(id) < m_lookup.size())
                return *m_lookup[std::size_t(id)];
            return m_ownData.empty() ? m_defaults : *m_ownData.front();
        }

        // The views with own data, or view 0 alone when there are none.
        const std::vector<View>& viewList() const { return m_ownViews.empty() ? m_defaultViewList : m_ownViews; }
        const std::vector<View>& ownViews() const { return m_ownViews; }
        PVData& defaults() { return m_defaults; }
        const PVData& defaults() const { return m_defaults; }

        // Removes a view's own data, unless it is the last; false when the
        // view has none. Views that read the removed data read the first own
        // data afterwards.
        bool removeOwnView(const View& view);
        // Removes all own data; returns the removed views, highest first.
        std::vector<View> clear();

        // Rebuilds the lookup after own views and data were copied from `source`.
        void initSourceData(const FastViewMap& source);

    private:
        void copyDataFrom(const FastViewMap& other);

        std::vector<PVData*> m_lookup;
        std::vector<View> m_ownViews;
        std::vector<std::unique_ptr<PVData>> m_ownData;
        std::vector<View> m_defaultViewList{View(0)};
        PVData m_defaults;
    };

    // The keyframes of one view, locked for as long as the holder lives.
    // Searches take one so that a caller keeps the lock across search and edit.
    class LockedKeyframes
    {
    public:
        explicit LockedKeyframes(const PVData* data) : m_data(data), m_lock(data ? &data->mutex : nullptr) {}

        const KeyframeVector& keyframes() const
        {
            static const KeyframeVector none;
            return m_data ? m_data->keyframes : none;
        }

    private:
        const PVData* m_data;
        QMutexLocker m_lock;
    };

    // One keyframe in the text form.
    class TypedSerialisedKeyframe : public SerialisedKeyframe
    {
    public:
        TypedSerialisedKeyframe();
        TypedSerialisedKeyframe(const Context& context, const T& value, const IType& itype,
                                boost::function<QString(const QString&)> valueFilter = {});

        Context context() const override { return m_context; }
        void adjustTime(float offset) override;
        // "keyframes.append( Key( 10, 5, constant ) )", preceded by the view
        // prefix when the view is not the default view.
        QString toString() const override;
        void setFromString(const QString& text) override;

        const T& value() const { return m_value; }
        const IType& itype() const { return m_itype; }

    private:
        Context m_context;
        T m_value{};
        IType m_itype;
        boost::function<QString(const QString&)> m_valueFilter;
    };

    // A snapshot of a whole parameter (see exportState).
    class ParameterMemento;

    Parameter();
    // Copies names, flags and all per-view data; the copy is not loading.
    Parameter(const Parameter& other);
    Parameter& operator=(const Parameter&) = delete;
    ~Parameter() override;

    // ---- whole-state copies (undo support) ----
    // Takes names, flags, per-view data and settings of another parameter of
    // the same value type (other types: only names and flags).
    void assignFrom(const ParameterWithoutType& other) override;
    boost::shared_ptr<Bsc::MementoBase> exportState() const override;
    // Throws std::bad_cast for a snapshot of another kind.
    void doImportState(boost::shared_ptr<Bsc::MementoBase> memento) override;
    // Takes the per-view data and animation settings of a parameter of the
    // same value type; anything else is ignored.
    void vCopyKeyframeDataFrom(const ParameterWithoutType* source) override;

    // ---- values ----
    // The value at a context: the master's when there is one, else from the
    // keyframes of the view (or of the views it interpolates from), else the
    // view's static value.
    virtual T value(const Context& context, Cache* cache = nullptr) const;
    // The static value a view reads (never creates data).
    T value(const View& view) const { return m_views.viewData(view).staticValue; }
    // Sets the value at a context: a keyframe when keyframed, else the
    // static value. Returns the keyframe's index, or NO_KEYFRAME.
    virtual unsigned int vSetValue(const T& value, const Context& context);
    // Sets a view's static value; announces valueChanged when it changed.
    void setValue(const T& value, const View& view);
    virtual T defaultValue() const { return m_views.defaults().staticValue; }
    // The value views read before they have data; not announced.
    virtual void vSetDefault(const T& value) { m_views.defaults().staticValue = value; }

    // ---- variants and hashing ----
    QVariant variantValue(const Context& context) const override;
    QVariant variantValue(const Context& context, const std::nothrow_t&) const override;
    void setVariantValue(const QVariant& value, const Context& context) override;
    // Leaves the parameter unchanged (and logs a warning) when the variant
    // does not convert.
    void setVariantValue(const QVariant& value, const Context& context, const std::nothrow_t&) override;
    int qMetaType() const override;
    virtual const std::type_info& tRawValueType() const { return typeid(T); }
    void calculateHash(Bsc::Hash& hash, const Context& context) const override;

    // ---- keyframes ----
    virtual T keyframeValue(unsigned int index, const View& view) const;
    virtual KeyframeData<T> keyframe(unsigned int index, const View& view) const;
    QVector<Context> allKeyframes() const override;
    bool isKeyframed() const override { return m_keyframed; }
    // A parameter that is not keyframed reads and writes static values only;
    // keyframes it holds are kept but ignored. Not announced.
    void setKeyframed(bool keyframed) { m_keyframed = keyframed; }
    unsigned int keyframeCount(const View& view) const override;
    Context keyframeTime(unsigned int index, const View& view) const override;
    // Replaces every keyframe time by retime(time). Keys stay sorted; keys
    // that land on the same time merge into the one that was earlier.
    // Throws boost::bad_function_call for an empty function, and
    // std::runtime_error when a new time is not a number; both before any
    // keyframe has moved.
    void adjustKeyframesTime(const boost::function<Time(Time)>& retime) override;
    bool bKeyframeAt(const Context::Explicit& context) const override;
    bool bNearestKeyframeTime(const Context& context, Time& time) const override;
    bool bNearestKeyframeIndex(const Context& context, unsigned int& index) const override;
    bool bPreviousKeyframe(const Context& context, Context& previous) const override;
    bool bNextKeyframe(const Context& context, Context& next) const override;
    unsigned int iAddKeyframe(const Context& context) override;
    void iAddKeyframe(const Frame& frame, const AnimationState& state) override;
    void vDeleteKeyframe(const Context::Explicit& context) override;
    void vDeleteAllKeyframes(const View& view) override;
    void vReset(const Context& context) override;
    unsigned int keyframeIndexForTime(Time time, const LockedKeyframes& keys) const;
    unsigned int keyframeIndexForTime(const Context& context) const;
    unsigned int insertionIndex(Time time, const LockedKeyframes& keys) const;

    // ---- interpolation and extrapolation ----
    void vSetExtrapolationBefore(Extrapolation extrapolation) override;
    void vSetExtrapolationAfter(Extrapolation extrapolation) override;
    Extrapolation extrapolationBefore() const override;
    Extrapolation extrapolationAfter() const override;
    void vSetDefaultInterpolation(Interpolation interpolation) override { m_defaultInterpolation = interpolation; }
    Interpolation defaultInterpolation() const { return m_defaultInterpolation; }
    void vSetInterpolation(Interpolation interpolation, const Context& context) override;
    void vSetInterpolationData(IType itype, unsigned int index, const View& view) override;
    Interpolation interpolation(const Context& context) const override;
    Interpolation interpolation(const KeyframeIndex& index) const override;
    IType interpolationData(const KeyframeIndex& index) const override;

    // ---- value-type hooks ----
    virtual T interpolateValue(const BoundingKeyframes& bounds, const Context& context, Cache* cache) const;
    virtual T extrapolateValue(const BoundingKeyframes& bounds, const Context& context, Cache* cache) const;
    virtual bool supportsExtrapolationFromNoKeys() const { return false; }
    virtual IType initialiseInterpolation(const KeyframeData<T>& from, const KeyframeData<T>& to,
                                          Interpolation interpolation) const;

    // ---- views ----
    bool isSplit() const override { return m_split; }
    unsigned int numViews() const override { return unsigned(viewList().size()); }
    void setSplittable(bool splittable) override { m_splittable = splittable; }
    bool splittable() const override { return m_splittable; }
    const std::vector<View>& viewList() const override { return m_views.viewList(); }
    virtual bool hasViewData(const View& view) const { return m_views.findRealViewData(view) != nullptr; }
    // Copies the static value and keyframes of a view (of this parameter,
    // or of `sourceParameter` when given and of the same value type) to
    // another view; only on splittable parameters.
    void copyViewData(const View& target, const View& source, const ParameterWithoutType* sourceParameter) override;
    // Gives a view its own data with the static value reset to the default.
    void uniquifyView(const View& view) override;
    // Gives a view that may split (per the view-split switch) and has no own
    // data yet the static value of `source` (or of the first view).
    bool initialiseHeroView(const View& view, const View& source) override;
    // Removes a view's own data; never the last.
    bool deleteView(const View& view) override;
    // The writable data of a view, created when missing; every write of a
    // static value or keyframe goes through it. Announces viewAdded when a
    // view gets data of its own.
    PVData& targetData(const View& view);
    // The data a view reads (see FastViewMap::viewData).
    const PVData& viewData(const View& view) const { return m_views.viewData(view); }

    // ---- value computation across views ----
    // The value from the keyframes of `sourceViews`; N is their number, or
    // the largest size_t for any number.
    template <std::size_t N>
    T computedValue(const Context& context, const std::vector<View>& sourceViews, Cache* cache) const;

    // ---- undoable edits: each appends one edit to the command ----
    void vSetInterpolationCommand(Interpolation interpolation, Context context, Bsc::CompositeCommand& command) override;
    void vSetInterpolationDataCommand(Bsc::CompositeCommand& command, IType itype, const KeyframeIndex& index) override;
    void vSetExtrapolationBeforeCommand(Extrapolation extrapolation, Bsc::CompositeCommand& command) override;
    void vSetExtrapolationAfterCommand(Extrapolation extrapolation, Bsc::CompositeCommand& command) override;
    void vAddKeyframeCommand(const Context::Explicit& context, Bsc::CompositeCommand& command) override;
    void vAddKeyframeCommand(const Frame& frame, const AnimationState& state, Bsc::CompositeCommand& command) override;
    void createKeyframeDeletion(const Context::Explicit& context, Bsc::CompositeCommand& command) override;
    void createKeyframeDeletion(const Frame& frame, const AnimationState& state, Bsc::CompositeCommand& command) override;
    void vDeleteAllKeyframesCommand(const View& view, Bsc::CompositeCommand& command) override;
    // True when `slave` is a parameter of the same value type (the edit is
    // appended either way).
    bool bAddConstrainedParameterCommand(ParameterWithoutType* slave, Bsc::CompositeCommand& command) override;

    // ---- text form ----
    bool bStreamOut(QTextStream& out, const QString& prefix, bool useName) const override;
    void writeSingleViewValues(QTextStream& out, const QString& prefix, const View& view, bool forceViewPart) const;
    void writeStaticValue(QTextStream& out, const QString& prefix, const View& view) const;
    bool streamInValue(const QString& line, const ProjectFileVersion& version,
                       boost::function<QString(const QString&)> valueFilter) override;
    boost::shared_ptr<SerialisedKeyframe> getSerialisedKeyframe(Context context) const override;
    // Throws std::bad_cast for a record of another value type.
    void importKeyframe(const SerialisedKeyframe& keyframe) override;

private:
    // The parameter whose values this one shows: the end of its chain of
    // masters of the same value type, or itself when it has no such master
    // or the chain runs in a circle.
    const Parameter* effectiveMaster() const;
    // The view whose static value and keyframes a context reads.
    View valueView(const Context& context) const
    {
        return m_splittable ? context.view : viewList().front();
    }
    // The data whose keyframes a keyframe search of the view sees: null when
    // the parameter is not keyframed, or is splittable and the view has no
    // data of its own.
    const PVData* keyedData(const View& view) const;
    // Inserts a keyframe at its sorted place (no keyframe may lie at its
    // time), with the previous keyframe's interpolation, and shapes the
    // segments around it. Returns its index.
    unsigned int insertKeyframe(KeyframeVector& keys, Time time, const T& value);
    T ownValue(const Context& context, Cache* cache) const;
    BoundingKeyframes boundsInView(const View& view, Time time) const;
    T valueFromBounds(const BoundingKeyframes& bounds, const Context& evaluation, Cache* cache) const;
    void clearViewData();
    void copyAnimationStateFrom(const Parameter& other, bool withDefaultInterpolation);
    KeyframeVector keyframesOf(const View& view) const;
    void writeKeyframeLines(QTextStream& out, const QString& prefix, const View& view,
                            const KeyframeVector& keys) const;

    bool m_keyframed = true;
    FastViewMap m_views;
    bool m_split = false;
    bool m_splittable = false;
    Extrapolation m_extrapolationBefore = Extrapolation(0);
    Extrapolation m_extrapolationAfter = Extrapolation(0);
    Interpolation m_defaultInterpolation = Interpolation(0);
    bool m_streamingIn = false;
};

template <typename T>
class Parameter<T>::ParameterMemento : public Bsc::MementoBase
{
public:
    explicit ParameterMemento(const Parameter<T>& source) : parameter(source) {}
    Parameter<T> parameter;
};

} // namespace Prm

#include "Prm/ParameterEdits.h"

#include "Prm/ParameterViewsImpl.h"
#include "Prm/ParameterKeyframesImpl.h"
#include "Prm/ParameterValueImpl.h"
#include "Prm/ParameterVariantImpl.h"
#include "Prm/ParameterEditsImpl.h"
#include "Prm/ParameterTextFormImpl.h"

// Compiled once, in the template library.
extern template class Prm::Parameter<unsigned int>;
extern template class Prm::Parameter<bool>;
extern template class Prm::Parameter<int>;
extern template class Prm::Parameter<double>;
extern template class Prm::Parameter<float>;
extern template class Prm::Parameter<QString>;
extern template class Prm::Parameter<Bsc::FSPercentEscapedString>;
