#pragma once

#include "Project/wrappers/Layer.h"
#include "Project/wrappers/PyHandle.h"

#include <Bsc/Colour3.h>

#include <QString>
#include <QVector>

class Parameter;
class ParameterSet;
class VUVI_ProjectManager;

namespace Rirediro {
class LayerBase;
class LayerGroup;
} // namespace Rirediro

// One layer group of a project as scripts see it: a value that refers to
// the core group and to its project weakly. Once the group is gone every
// operation but isNull throws VUVI_BadState "Invalid object".
class LayerGroup : public PyHandle<Rirediro::LayerGroup>
{
public:
    LayerGroup() = default;
    LayerGroup(const boost::shared_ptr<Rirediro::LayerGroup>& group,
               const boost::weak_ptr<VUVI_ProjectManager>& project);
    LayerGroup(const LayerGroup&) = default;
    LayerGroup& operator=(const LayerGroup&) = default;

    bool isNull() const override;
    ~LayerGroup() override;

    boost::weak_ptr<VUVI_ProjectManager> projectManager() const { return m_project; }

    QString get_name() const;
    void set_name(const QString& name);
    bool get_visibility() const;
    void set_visibility(bool visible);
    bool get_locked() const;
    void set_locked(bool locked);
    Bsc::Colour3<float> get_matte_color() const;
    void set_matte_color(Bsc::Colour3<float> color);
    Bsc::Colour3<float> get_stroke_color() const;
    void set_stroke_color(Bsc::Colour3<float> color);
    int get_z_order() const;
    void set_z_order(int val);

    // Moves `layer` into the group (Layer::set_parent).
    void insert_child(Layer layer, unsigned int index = 0);
    // The group's direct children as layers, rear first; a nested group
    // gives a null Layer in its place.
    QVector<Layer> get_layers();
    // The layers of the group's subtree named `name`.
    QVector<Layer> find_layers(const QString& name);

    // Handles on parameters and sets rooted at the group.
    Parameter parameter(const QStringList& name_components);
    ParameterSet parameter_set(const QStringList& name_components = QStringList());

    bool operator==(const LayerGroup& other) const;

private:
    boost::weak_ptr<VUVI_ProjectManager> m_project;
};

namespace Python {

// A LayerGroup over `base` when it is a group; a null LayerGroup otherwise.
LayerGroup layerGroupFromBase(const boost::shared_ptr<Rirediro::LayerBase>& base,
                              const boost::weak_ptr<VUVI_ProjectManager>& project);

} // namespace Python
