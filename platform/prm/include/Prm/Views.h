#pragma once

#include "Prm/View.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

namespace Prm {

// The views of a project, in project order, each with a name and an
// abbreviation. A project starts with one view, the default view.
class Views
{
public:
    Views();
    virtual ~Views();

    virtual std::vector<View> viewList() const;
    // (name, abbreviation) of a view; empty for a view the project lacks.
    QStringList viewNames(const View& view) const;
    // What the names of a view's files carry: its abbreviation, or its id
    // when it has none or one that could not be part of a file name (a path
    // separator, "..", a NUL).
    QString fileTag(const View& view) const;
    // The position of a view in the list; -1 for a view the project lacks.
    int viewIndex(const View& view) const;
    // Appends a view with the next free id and returns it.
    View addView(const QString& name, const QString& abbreviation);
    // Gives a view new names: element 0 the name, element 1 the
    // abbreviation (either may be missing). Nothing for a view the project lacks.
    void renameView(const View& view, const QStringList& names);
    // Removes a view; the last view is never removed. False when nothing was removed.
    bool removeView(const View& view);
    // Replaces the whole list, as a project that is being opened has it.
    // Ignored when empty: a project always has a view.
    void assign(const std::vector<std::pair<View, QStringList>>& views);

private:
    struct Entry
    {
        View view;
        QStringList names;
    };
    std::vector<Entry> m_entries;
};

} // namespace Prm
