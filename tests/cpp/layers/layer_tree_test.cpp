// The layer tree as the project and its handles see it: order, depth
// positions, groups, look-ups.

#include "LayerTestSupport.h"

#include <Rirediro/Commands/LayerCommands.h>

#include <boost/make_shared.hpp>

using namespace layertest;

namespace {

QStringList namesOf(const QVector<Layer>& layers)
{
    QStringList names;
    for (const Layer& layer : layers)
        names << layer.get_name();
    return names;
}

QStringList namesOf(const QVector<LayerGroup>& groups)
{
    QStringList names;
    for (const LayerGroup& group : groups)
        names << group.get_name();
    return names;
}

class LayerTree : public LayerProject
{
protected:
    // Layers A to E at the top level, A at the rear.
    QVector<Layer> fiveLayers()
    {
        QVector<Layer> layers;
        for (const char* name : {"A", "B", "C", "D", "E"})
            layers << addLayer(QString::fromLatin1(name));
        return layers;
    }
};

TEST_F(LayerTree, NewLayersGoToTheFrontAndListFrontToRear)
{
    const QVector<Layer> layers = fiveLayers();
    EXPECT_EQ(tree(), QStringLiteral("A B C D E"));
    EXPECT_EQ(namesOf(project().get_layers()), QStringList({"E", "D", "C", "B", "A"}));
    EXPECT_EQ(project().layer(0), layers[4]);
    EXPECT_EQ(project().layer(4), layers[0]);
    EXPECT_TRUE(project().layer(5).isNull());
    for (int z = 0; z < layers.size(); ++z)
        EXPECT_EQ(layers[z].get_z_order(), z);
}

// The core moves a node before the node now at the position it is given.
TEST_F(LayerTree, TheCoreMovesANodeBeforeTheNodeNowAtThePosition)
{
    struct Case
    {
        const char* layer;
        int position;
        const char* tree;
    };
    const Case cases[] = {
        {"C", 0, "C A B D E"},  {"C", 1, "A C B D E"}, {"C", 2, "A B C D E"},  {"C", 3, "A B C D E"},
        {"C", 4, "A B D C E"},  {"C", 5, "A B D E C"}, {"C", 99, "A B D E C"}, {"C", -3, "C A B D E"},
        {"A", 5, "B C D E A"},  {"E", 0, "E A B C D"},
    };
    for (const Case& c : cases) {
        Project fresh(&m_made.detached);
        for (const char* name : {"A", "B", "C", "D", "E"})
            fresh.add_layer(fresh.get_clips().value(QStringLiteral("Plate")), QString::fromLatin1(name), 0, 0);
        VUVI_ProjectManager& core = *fresh.projectManager();
        const QString id = fresh.find_layers(QString::fromLatin1(c.layer)).front().handledObject()->id();
        Rirediro::MoveLayerToDepthPositionCommand(core, id, c.position).doIt();
        EXPECT_EQ(treeOf(*core.selectionManager()->layerRoot()), QString::fromLatin1(c.tree))
            << c.layer << " to " << c.position;
    }
}

TEST_F(LayerTree, AZOrderReadsBackAndUndoes)
{
    struct Case
    {
        int layer;
        int z;
        const char* tree;
    };
    // Moving up passes z + 1 to the core, moving down (or nowhere) z itself.
    const Case cases[] = {
        {2, 0, "C A B D E"}, {2, 1, "A C B D E"}, {2, 2, "A B C D E"},
        {2, 3, "A B D C E"}, {2, 4, "A B D E C"}, {0, 4, "B C D E A"},
    };
    for (const Case& c : cases) {
        Project fresh(&m_made.detached);
        QVector<Layer> layers;
        for (const char* name : {"A", "B", "C", "D", "E"})
            layers << fresh.add_layer(fresh.get_clips().value(QStringLiteral("Plate")), QString::fromLatin1(name), 0, 0);
        VUVI_ProjectManager& core = *fresh.projectManager();
        const int steps = core.commandManager()->undoCount();
        layers[c.layer].set_z_order(c.z);
        EXPECT_EQ(layers[c.layer].get_z_order(), c.z);
        EXPECT_EQ(treeOf(*core.selectionManager()->layerRoot()), QString::fromLatin1(c.tree)) << c.z;
        EXPECT_EQ(core.commandManager()->undoCount(), steps + 1);
        bool ok = false;
        core.commandManager()->vUnDo(ok);
        EXPECT_EQ(treeOf(*core.selectionManager()->layerRoot()), QStringLiteral("A B C D E"));
    }
}

// Index 0 puts a layer in front of the group's nodes, each further index
// one node further back; past the rearmost it goes to the rear.
TEST_F(LayerTree, AnIndexCountsFromTheFrontOfTheGroup)
{
    struct Case
    {
        unsigned int index;
        const char* tree;
    };
    const Case cases[] = {
        {0, "[G: X Y Z L]"}, {1, "[G: X Y L Z]"}, {2, "[G: X L Y Z]"},
        {3, "[G: L X Y Z]"}, {4, "[G: L X Y Z]"}, {4000000000u, "[G: L X Y Z]"},
    };
    for (const Case& c : cases) {
        Project fresh(&m_made.detached);
        Clip* plate = fresh.get_clips().value(QStringLiteral("Plate"));
        QVector<Layer> members;
        for (const char* name : {"X", "Y", "Z"})
            members << fresh.add_layer(plate, QString::fromLatin1(name), 0, 0);
        LayerGroup group = fresh.add_group(QStringLiteral("G"), members);
        Layer layer = fresh.add_layer(plate, QStringLiteral("L"), 0, 0);
        group.insert_child(layer, c.index);
        EXPECT_EQ(treeOf(*fresh.projectManager()->selectionManager()->layerRoot()), QString::fromLatin1(c.tree))
            << c.index;
    }
}

TEST_F(LayerTree, ANullGroupMovesALayerToTheTopLevel)
{
    Layer a = addLayer(QStringLiteral("A"));
    Layer b = addLayer(QStringLiteral("B"));
    LayerGroup group = addGroup(QStringLiteral("G"), {a});
    EXPECT_EQ(tree(), QStringLiteral("B [G: A]"));
    a.set_parent(nullptr, 0);
    EXPECT_EQ(tree(), QStringLiteral("B [G] A"));
    a.set_parent(nullptr, 2);
    EXPECT_EQ(tree(), QStringLiteral("B A [G]"));
    a.set_parent(&group, 0);
    b.set_parent(nullptr, 7);
    EXPECT_EQ(tree(), QStringLiteral("B [G: A]"));

    // Each move is an undo step of its own, made by the core.
    undo();
    undo();
    EXPECT_EQ(tree(), QStringLiteral("B A [G]"));
}

TEST_F(LayerTree, AGroupTakesItsLayersInOrder)
{
    Layer a = addLayer(QStringLiteral("A"));
    Layer b = addLayer(QStringLiteral("B"));
    LayerGroup empty = addGroup(QStringLiteral("Empty"));
    EXPECT_EQ(empty.get_name(), QStringLiteral("Empty"));
    EXPECT_TRUE(empty.get_layers().isEmpty());

    LayerGroup group = addGroup(QStringLiteral("G"), {a, b});
    EXPECT_EQ(group.get_layers(), QVector<Layer>({a, b}));
    EXPECT_EQ(tree(), QStringLiteral("[Empty] [G: A B]"));
    EXPECT_EQ(namesOf(project().get_groups()), QStringList({"G", "Empty"}));
    EXPECT_EQ(namesOf(project().get_layers()), QStringList({"B", "A"}));
}

TEST_F(LayerTree, NestedGroupsAndLookUps)
{
    Layer a = addLayer(QStringLiteral("Shared"));
    Layer b = addLayer(QStringLiteral("B"));
    LayerGroup inner = addGroup(QStringLiteral("Inner"), {b});
    LayerGroup outer = addGroup(QStringLiteral("Shared"), {a});
    // A group has no handle that moves it into another group: the core does it.
    outer.handledObject()->placeChild(inner.handledObject(), 0);
    EXPECT_EQ(tree(), QStringLiteral("[Shared: [Inner: B] Shared]"));

    // A nested group stands as a null layer among a group's layers, and
    // searches give layers only.
    const QVector<Layer> children = outer.get_layers();
    ASSERT_EQ(children.size(), 2);
    EXPECT_TRUE(children[0].isNull());
    EXPECT_EQ(children[1], a);
    EXPECT_TRUE(outer.find_layers(QStringLiteral("Inner")).isEmpty());
    EXPECT_EQ(outer.find_layers(QStringLiteral("B")), QVector<Layer>({b}));

    // A layer and a group of one name are found once each.
    EXPECT_EQ(project().find_layers(QStringLiteral("Shared")), QVector<Layer>({a}));
    EXPECT_EQ(project().find_groups(QStringLiteral("Shared")), QVector<LayerGroup>({outer}));
    EXPECT_EQ(namesOf(project().get_groups()), QStringList({"Shared", "Inner"}));
    EXPECT_EQ(namesOf(project().get_layers()), QStringList({"Shared", "B"}));
    EXPECT_TRUE(project().find_layers(QStringLiteral("Nothing")).isEmpty());
}

TEST_F(LayerTree, AnEmptyProjectHasEmptyLists)
{
    EXPECT_TRUE(project().get_layers().isEmpty());
    EXPECT_TRUE(project().get_groups().isEmpty());
    EXPECT_TRUE(project().find_layers(QString()).isEmpty());
    EXPECT_TRUE(project().find_groups(QString()).isEmpty());
    EXPECT_TRUE(project().layer(0).isNull());
}

TEST_F(LayerTree, TheConversionsKeepTheirOwnKind)
{
    Layer layer = addLayer(QStringLiteral("A"));
    LayerGroup group = addGroup(QStringLiteral("G"));
    const boost::weak_ptr<VUVI_ProjectManager> owner = project().projectManager();
    const boost::shared_ptr<Rirediro::LayerBase> layerNode = layer.handledObject();
    const boost::shared_ptr<Rirediro::LayerBase> groupNode = group.handledObject();

    EXPECT_EQ(Python::layerFromBase(layerNode, owner), layer);
    EXPECT_TRUE(Python::layerFromBase(groupNode, owner).isNull());
    EXPECT_TRUE(Python::layerFromBase(nullptr, owner).isNull());
    EXPECT_EQ(Python::layerGroupFromBase(groupNode, owner), group);
    EXPECT_TRUE(Python::layerGroupFromBase(layerNode, owner).isNull());
    EXPECT_TRUE(Python::layerGroupFromBase(nullptr, owner).isNull());
}

TEST_F(LayerTree, AGroupWithADeadLayerIsNotMade)
{
    Layer a = addLayer(QStringLiteral("A"));
    Layer gone = addLayer(QStringLiteral("Gone"));
    gone.remove();
    const int steps = history().undoCount();
    expectFailure<VUVI_BadState>([&] { addGroup(QStringLiteral("G"), {a, gone}); }, QStringLiteral("Invalid object"));
    EXPECT_EQ(tree(), QStringLiteral("A"));
    EXPECT_TRUE(project().get_groups().isEmpty());
    EXPECT_EQ(history().undoCount(), steps);
}

} // namespace
