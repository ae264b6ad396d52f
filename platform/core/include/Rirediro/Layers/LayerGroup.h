#pragma once

#include "Rirediro/Layers/LayerBase.h"

#include <QVector>

namespace Rirediro {

// A group of layers and further groups. Its children are kept rear to
// front: a child's depth position is its index in children().
class LayerGroup : public LayerBase
{
public:
    LayerGroup(unsigned int id, const QString& name, boost::weak_ptr<VUVI_ProjectManager> project);
    ~LayerGroup() override;

    const QVector<boost::shared_ptr<LayerBase>>& children() const { return m_children; }
    // The nodes of the group's subtree named `name` exactly, each before its
    // own children, in the group's order.
    QVector<boost::shared_ptr<LayerBase>> findChildren(const QString& name) const;

    // A strong reference to the group from its weak self-reference; throws
    // boost::bad_weak_ptr once nobody holds the group.
    boost::shared_ptr<LayerGroup> selfReference() { return boost::static_pointer_cast<LayerGroup>(shared_from_this()); }

    // ---- edits of the tree (no undo; the core's commands build on them) ----
    // Puts `child` before the child now at `position`, or last when there is
    // none (a position past the end); a negative position counts as 0. The
    // child leaves its previous group first; placed before itself, it stays.
    void placeChild(const boost::shared_ptr<LayerBase>& child, int position);
    // Puts `child` at exactly `index` (clamped to the children), leaving its
    // previous group first.
    void insertChild(const boost::shared_ptr<LayerBase>& child, int index);
    // Takes `child` out of the group; false when it is not a child.
    bool removeChild(const LayerBase& child);
    int indexOf(const LayerBase& child) const;

private:
    // Takes `child` out of the group it is in.
    static void detach(const boost::shared_ptr<LayerBase>& child);

    QVector<boost::shared_ptr<LayerBase>> m_children;
};

// The root of a project's layer tree: the group of the top-level nodes.
class LayerRoot : public LayerGroup
{
public:
    explicit LayerRoot(boost::weak_ptr<VUVI_ProjectManager> project);
    ~LayerRoot() override;
};

} // namespace Rirediro
