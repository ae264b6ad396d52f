#pragma once

#include "Prm/View.h"

#include <QString>
#include <QStringList>

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
    // The position of a view in the list; -1 for a view the project lacks.
    int viewIndex(const View& view) const;
    // Appends a view with the next free id and returns it.
    View addView(const QString& name, const QString& abbreviation);

private:
    struct Entry
    {
        View view;
        QStringList names;
    };
    std::vector<Entry> m_entries;
};

} // namespace Prm
