#pragma once

#include <QString>
#include <cstdint>

namespace Prm {

// Identifies one view (for example one eye of a stereo pair) of a project.
class View
{
public:
    // The default view of the running project.
    View() : m_id(defaultViewId()) {}
    View(int32_t id) : m_id(id) {}

    int32_t id() const { return m_id; }
    bool isValid() const { return m_id != INVALID.m_id; }

    // A text for users, as "view 3".
    QString toString() const;

    // The view prefix of a line of a parameter's text form, as "view[3].".
    static QString toString(const View& view);
    // Splits a leading view prefix ("view[3].") off a line: on success the
    // line loses the prefix, `view` gets the id and the result is true.
    // Otherwise nothing changes. Ids above MAX_PREFIX_ID are not accepted,
    // so a damaged file cannot make a parameter allocate per-view tables of
    // absurd size.
    static bool extractStringPrefix(QString& line, View& view);
    static constexpr int32_t MAX_PREFIX_ID = 4095;

    bool operator==(const View& o) const { return m_id == o.m_id; }
    bool operator!=(const View& o) const { return m_id != o.m_id; }
    bool operator<(const View& o) const { return m_id < o.m_id; }

    // The view that a default-constructed View names. The core sets it for
    // the open project; it is 0 until then.
    static int32_t defaultViewId();
    static void setDefaultViewId(int32_t id);

    static const View INVALID;

private:
    int32_t m_id;
};

uint qHash(const View& view, uint seed = 0);

} // namespace Prm
