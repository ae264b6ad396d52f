#pragma once

#include <Prm/ParameterSet.h>

#include <QColor>
#include <QString>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;

namespace Rirediro {

class LayerGroup;

// A node of a project's layer tree: a layer or a group of them. Nodes are
// held by shared pointer, each by its parent group; a node taken out of the
// tree dies with the last reference to it, so that weak references to it
// expire. Ids are unique in a project and never reused within a session.
//
// Every node is also the root of its own parameter sets.
class LayerBase : public Prm::ParameterSet, public boost::enable_shared_from_this<LayerBase>
{
public:
    // The selection state: whether the user has picked the node.
    enum State { Unselected = 0, Selected = 1 };

    ~LayerBase() override;

    unsigned int layerID() const { return m_id; }
    // The id as decimal text, by which commands find the node again.
    QString id() const { return QString::number(m_id); }

    QString name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

    // With `inherited`, a node inside a hidden (locked) group counts as
    // hidden (locked) too.
    bool isHidden(bool inherited) const;
    void setHidden(bool hidden) { m_hidden = hidden; }
    bool isLocked(bool inherited) const;
    void setLocked(bool locked) { m_locked = locked; }

    // The colour of the node's matte in renders and of its outline on screen.
    virtual QColor matteColor() const { return m_matteColor; }
    virtual void setMatteColor(const QColor& colour) { m_matteColor = colour; }
    virtual QColor strokeColor() const { return m_strokeColor; }
    virtual void setStrokeColor(const QColor& colour) { m_strokeColor = colour; }

    // The node's place among its parent's children, rear first (0 is the
    // rearmost); -1 outside the tree.
    int depthPosition() const;
    int state() const { return m_state; }
    void setState(int state) { m_state = state; }

    // The group the node is in (the root for top-level nodes); null outside the tree.
    boost::shared_ptr<LayerGroup> parentGroup() const { return m_parent.lock(); }
    // The project the node belongs to.
    const boost::weak_ptr<VUVI_ProjectManager>& projectManager() const { return m_project; }

    // A node of a project's tree is found by its id in the project: undo
    // rebuilds nodes as new objects under their ids.
    Finder finder() const override;

protected:
    LayerBase(unsigned int id, const QString& name, boost::weak_ptr<VUVI_ProjectManager> project);

private:
    friend class LayerGroup;

    unsigned int m_id;
    QString m_name;
    boost::weak_ptr<VUVI_ProjectManager> m_project;
    boost::weak_ptr<LayerGroup> m_parent;
    bool m_hidden = false;
    bool m_locked = false;
    int m_state = Unselected;
    QColor m_matteColor{Qt::white};
    QColor m_strokeColor{Qt::yellow};
};

} // namespace Rirediro
