#pragma once

#include <Prm/View.h>

#include <QMetaType>
#include <QString>

// One view of a multi-view project or clip, as scripts see it.
class View
{
public:
    View(Prm::View view = Prm::View()) : m_view(view) {}
    virtual ~View() = default;

    Prm::View getView() const { return m_view; }
    unsigned int get_id() const { return static_cast<unsigned int>(m_view.id()); }

    bool operator==(const View& other) const { return this == &other || m_view.id() == other.m_view.id(); }
    bool operator<(const View& other) const { return m_view.id() < other.m_view.id(); }

    // "View(<id>)", the id signed.
    QString __repr__() const;

private:
    Prm::View m_view;
};

uint qHash(const View& view);

Q_DECLARE_METATYPE(View)
