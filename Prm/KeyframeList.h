#pragma once

#include <Prm/Interpolation.h>
#include <Prm/Time.h>

#include <QVector>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

namespace Prm {

// One keyframe: a time (in frames), a value, and the shape of the segment
// that starts here.
template <typename T>
struct KeyframeData
{
    Time time;
    T value{};
    IType itype;
};

// What a search and a value read take from most keys: the time and the
// value, packed.
template <typename T>
struct TimedValue
{
    Time time;
    T value{};
};

// The keyframes of one view, in the order they are given (sorted by time by
// their owner). Times and values lie in one dense array, so that a search
// and a value read in a long list touch a cache line or two; the segment
// shapes (40 bytes each, few of them distinct) lie apart, in a table that
// keys point into by number. Copies share the arrays until one side writes.
template <typename T>
class KeyframeList
{
public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = KeyframeData<T>;
        using difference_type = int;
        using pointer = void;
        using reference = KeyframeData<T>;

        const_iterator() = default;
        const_iterator(const KeyframeList* list, int index) : m_list(list), m_index(index) {}
        KeyframeData<T> operator*() const { return m_list->at(m_index); }
        const_iterator& operator++()
        {
            ++m_index;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++m_index;
            return before;
        }
        bool operator==(const const_iterator& o) const { return m_index == o.m_index; }
        bool operator!=(const const_iterator& o) const { return m_index != o.m_index; }

    private:
        const KeyframeList* m_list = nullptr;
        int m_index = 0;
    };

    KeyframeList() = default;
    explicit KeyframeList(const std::vector<KeyframeData<T>>& keys)
    {
        m_keys.reserve(int(keys.size()));
        m_shapeOf.reserve(int(keys.size()));
        for (const KeyframeData<T>& key : keys)
            append(key);
    }

    int size() const { return m_keys.size(); }
    bool isEmpty() const { return m_keys.isEmpty(); }

    KeyframeData<T> at(int i) const { return KeyframeData<T>{timeAt(i), valueAt(i), shapeAt(i)}; }
    KeyframeData<T> operator[](int i) const { return at(i); }
    KeyframeData<T> first() const { return at(0); }
    KeyframeData<T> last() const { return at(size() - 1); }
    Time timeAt(int i) const { return m_keys[i].time; }
    const T& valueAt(int i) const { return m_keys[i].value; }
    const IType& shapeAt(int i) const { return m_shapes[int(m_shapeOf[i])]; }

    // The packed times and values, for searches.
    const TimedValue<T>* timedValues() const { return m_keys.constData(); }

    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

    void setValue(int i, const T& value) { m_keys[i].value = value; }
    void setShape(int i, const IType& shape)
    {
        if (!sameShape(shapeAt(i), shape))
            m_shapeOf[i] = shapeNumber(shape, i);
    }
    void insert(int i, const KeyframeData<T>& key)
    {
        const uint32_t shape = shapeNumber(key.itype, i);
        m_keys.insert(i, TimedValue<T>{key.time, key.value});
        m_shapeOf.insert(i, shape);
    }
    void append(const KeyframeData<T>& key) { insert(size(), key); }
    void remove(int i)
    {
        m_keys.remove(i);
        m_shapeOf.remove(i);
        if (m_keys.isEmpty())
            m_shapes.clear();
        else if (tooManyShapes())
            dropUnusedShapes();
    }

    // Asks the memory for what reading the keys around key i needs, at once
    // rather than one after the other as the reads reach them.
    void prefetchAround(int i) const
    {
        const int from = i > 0 ? i - 1 : 0;
        const int to = i + 2 < size() ? i + 2 : size();
        const char* first = reinterpret_cast<const char*>(m_keys.constData() + from);
        const char* end = reinterpret_cast<const char*>(m_keys.constData() + to);
        for (const char* line = first; line < end; line += 64)
            __builtin_prefetch(line);
        __builtin_prefetch(end - 1);
        __builtin_prefetch(m_shapeOf.constData() + from);
        __builtin_prefetch(m_shapeOf.constData() + to - 1);
    }

private:
    // Shapes compare by their bits: a handle of -0 is not one of 0, and a NaN
    // handle is kept as it is.
    static bool sameShape(const IType& a, const IType& b)
    {
        return a.interpolation == b.interpolation && std::memcmp(a.data.data(), b.data.data(), sizeof a.data) == 0;
    }

    // The number of a shape for the key that is or will be at index i: that
    // of a neighbour or of the last shape added when one is the same (keys
    // mostly take their neighbours' shapes), else a new entry.
    uint32_t shapeNumber(const IType& shape, int i)
    {
        for (int neighbour : {i - 1, i, i + 1}) {
            if (neighbour >= 0 && neighbour < m_shapeOf.size() && sameShape(shapeAt(neighbour), shape))
                return m_shapeOf[neighbour];
        }
        if (!m_shapes.isEmpty() && sameShape(m_shapes.last(), shape))
            return uint32_t(m_shapes.size() - 1);
        if (tooManyShapes())
            dropUnusedShapes();
        m_shapes.append(shape);
        return uint32_t(m_shapes.size() - 1);
    }

    // Replaced shapes stay in the table until it holds twice as many as
    // there are keys: dropping them then costs a constant per edit.
    bool tooManyShapes() const { return m_shapes.size() >= 2 * m_shapeOf.size() + 16; }

    void dropUnusedShapes()
    {
        constexpr uint32_t unused = ~uint32_t(0);
        QVector<uint32_t> renumbered(m_shapes.size(), unused);
        QVector<IType> kept;
        for (uint32_t& number : m_shapeOf) {
            uint32_t& now = renumbered[int(number)];
            if (now == unused) {
                now = uint32_t(kept.size());
                kept.append(m_shapes[int(number)]);
            }
            number = now;
        }
        m_shapes = kept;
    }

    QVector<TimedValue<T>> m_keys;
    QVector<uint32_t> m_shapeOf; // per key, its shape's entry in m_shapes
    QVector<IType> m_shapes;
};

} // namespace Prm
