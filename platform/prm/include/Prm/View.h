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
