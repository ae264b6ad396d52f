// Layers and groups in project files: what a saved tree keeps, the older
// format without layers, and damaged layer entries.

#include "LayerTestSupport.h"
#include "../support/Files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

using namespace layertest;

namespace {

using testsupport::contentsOf;
using testsupport::writeFile;

// Every node of a project's tree with all a file keeps of it, front to rear.
QStringList describeTree(const VUVI_ProjectManager& project)
{
    QStringList nodes;
    const Prm::View view(0);
    for (const boost::shared_ptr<Rirediro::LayerBase>& node : project.selectionManager()->allLayersAndGroups()) {
        QString text = QStringLiteral("%1 '%2' in %3 at %4 hidden %5 locked %6 matte %7 stroke %8")
                           .arg(node->id(), node->name(), node->parentGroup()->id())
                           .arg(node->depthPosition())
                           .arg(node->isHidden(false))
                           .arg(node->isLocked(false))
                           .arg(node->matteColor().name(QColor::HexArgb), node->strokeColor().name(QColor::HexArgb));
        if (const auto* layer = dynamic_cast<const VUVI_Layer*>(node.get())) {
            QStringList views;
            for (const Prm::View& v : layer->views())
                views << QString::number(v.id());
            text += QStringLiteral(" clip %1 views %2 frames %3-%4 link %5 %6")
                        .arg(layer->clipID())
                        .arg(views.join(QLatin1Char(',')))
                        .arg(layer->inPoint(view, false))
                        .arg(layer->outPoint(view, false))
                        .arg(layer->linkToTrackParameter().value(view))
                        .arg(layer->linkedLayerParameter().value(view));
        }
        nodes << text;
    }
    return nodes;
}

class LayerFile : public LayerProject
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A tree that uses what a file keeps: nested groups, flags, colours,
    // order, a link, frames.
    void furnish()
    {
        project().set_views({ViewInfo(QStringLiteral("Left"), QStringLiteral("L"), {1.0f, 1.0f, 1.0f}),
                             ViewInfo(QStringLiteral("Right"), QStringLiteral("R"), {1.0f, 1.0f, 1.0f})});
        Layer a = project().add_layer(&clip(), QStringLiteral("Ä layer"), 2, 1);
        Layer b = addLayer(QStringLiteral("B"));
        Layer c = addLayer(QStringLiteral("C"));
        LayerGroup outer = addGroup(QStringLiteral("Outer"), {a, b});
        LayerGroup inner = addGroup(QStringLiteral("Inner"), {c});
        outer.handledObject()->placeChild(inner.handledObject(), 1);
        addLayer(QStringLiteral("Top"));
        b.set_z_order(0);
        b.set_visibility(false);
        outer.set_locked(true);
        a.set_matte_color({0.0f, 0.5f, 1.0f});
        outer.set_stroke_color({1.0f, 0.0f, 0.0f});
        c.set_link_to_track(a);
        b.set_link_to_track(b);
    }
};

TEST_F(LayerFile, ASavedTreeOpensWhole)
{
    furnish();
    const QString file = path(QStringLiteral("layers.plinx"));
    project().save_as(file);
    Project reopened(file);
    EXPECT_EQ(describeTree(*reopened.projectManager()), describeTree(core()));
    EXPECT_EQ(treeOf(*reopened.projectManager()->selectionManager()->layerRoot()),
              QStringLiteral("[Outer: B Ä layer [Inner: C]] Top"));
    EXPECT_FALSE(reopened.projectManager()->commandManager()->bCanUnDo());
    const boost::optional<Layer> link = reopened.find_layers(QStringLiteral("C")).front().get_link_to_track();
    ASSERT_TRUE(link);
    EXPECT_EQ(link->get_name(), QStringLiteral("Ä layer"));

    // Ids of the file stay taken.
    unsigned int highest = 0;
    for (const auto& node : reopened.projectManager()->selectionManager()->allLayersAndGroups())
        highest = std::max(highest, node->layerID());
    const Layer added = reopened.add_layer(reopened.get_clips().value(QStringLiteral("Plate")), QStringLiteral("N"), 0, 0);
    EXPECT_GT(added.handledObject()->layerID(), highest);

    // Saved again unchanged, the file is the same.
    const QByteArray first = contentsOf(file);
    Project(file).save();
    EXPECT_EQ(contentsOf(file), first);
}

TEST_F(LayerFile, AFileOfTheFormatBeforeLayersOpens)
{
    const QString file = path(QStringLiteral("old.plinx"));
    project().save_as(file);
    QJsonObject document = QJsonDocument::fromJson(contentsOf(file)).object();
    document[QStringLiteral("version")] = 1;
    writeFile(file, QJsonDocument(document).toJson());
    Project reopened(file);
    EXPECT_TRUE(reopened.get_layers().isEmpty());
    EXPECT_EQ(reopened.get_clips().size(), 1);
}

TEST_F(LayerFile, DamagedLayerEntriesAreRefusedNamingTheFile)
{
    furnish();
    const QString good = path(QStringLiteral("good.plinx"));
    project().save_as(good);
    const QJsonObject document = QJsonDocument::fromJson(contentsOf(good)).object();
    // Entries: 0 Outer, 1 B, 2 Ä layer, 3 Inner, 4 C, 5 Top.
    const auto editEntry = [](int index, const std::function<void(QJsonObject&)>& edit) {
        return [index, edit](QJsonArray& layers) {
            QJsonObject entry = layers[index].toObject();
            edit(entry);
            layers[index] = entry;
        };
    };
    const auto set = [](const char* key, const QJsonValue& value) {
        return [key, value](QJsonObject& entry) { entry[QString::fromLatin1(key)] = value; };
    };
    struct Case
    {
        const char* what;
        std::function<void(QJsonArray&)> edit;
        const char* problem;
    };
    const std::vector<Case> cases = {
        {"an unknown kind", editEntry(5, set("kind", QStringLiteral("shape"))),
         "layers[5].kind should be \"layer\" or \"group\""},
        {"id 0", editEntry(5, set("id", 0)), "layers[5].id should be a whole number from 1 to 2147483647"},
        {"an id too large for a link", editEntry(5, set("id", 2147483648.0)),
         "layers[5].id should be a whole number from 1 to 2147483647"},
        {"an id twice", editEntry(5, [&](QJsonObject& e) { e[QStringLiteral("id")] = document[QStringLiteral("layers")][1][QStringLiteral("id")]; }),
         "layers[5].id should be an id that no other layer or group has"},
        {"a layer as parent",
         editEntry(5, [&](QJsonObject& e) { e[QStringLiteral("parent")] = document[QStringLiteral("layers")][1][QStringLiteral("id")]; }),
         "layers[5].parent should be 0 or the id of a group listed before"},
        {"a parent listed later",
         [](QJsonArray& layers) {
             const QJsonValue outer = layers[0];
             layers.removeAt(0);
             layers.append(outer);
         },
         "layers[0].parent should be 0 or the id of a group listed before"},
        {"an unknown clip", editEntry(5, set("clip", 99)), "layers[5].clip should be the id of one of the clips"},
        {"no views", editEntry(5, set("views", QJsonArray())), "layers[5].views should be a list of at least one view"},
        {"a view twice", editEntry(5, set("views", QJsonArray{1, 1})), "layers[5].views names view 1 twice"},
        {"a channel too bright", editEntry(5, set("matteColour", QJsonArray{0, 0, 256, 255})),
         "layers[5].matteColour[2] should be a whole number from 0 to 255"},
        {"three channels", editEntry(5, set("strokeColour", QJsonArray{0, 0, 0})),
         "layers[5].strokeColour should be a list of four channels"},
        {"a parameter of nonsense",
         editEntry(5,
                   [](QJsonObject& e) {
                       QJsonObject parameters = e[QStringLiteral("parameters")].toObject();
                       parameters[QStringLiteral("inPoint")] = QJsonArray{QStringLiteral("rubbish")};
                       e[QStringLiteral("parameters")] = parameters;
                   }),
         "layers[5].parameters should be the layer's parameters"},
        {"a lost parameter",
         editEntry(5,
                   [](QJsonObject& e) {
                       QJsonObject parameters = e[QStringLiteral("parameters")].toObject();
                       parameters.remove(QStringLiteral("linkToTrack"));
                       e[QStringLiteral("parameters")] = parameters;
                   }),
         "layers[5].parameters lacks 'linkToTrack'"},
        {"a lost name", editEntry(1, [](QJsonObject& e) { e.remove(QStringLiteral("name")); }),
         "layers[1].name is missing"},
    };

    for (const Case& c : cases) {
        QJsonObject damaged = document;
        QJsonArray layers = damaged[QStringLiteral("layers")].toArray();
        c.edit(layers);
        damaged[QStringLiteral("layers")] = layers;
        const QString file = path(QStringLiteral("damaged.plinx"));
        writeFile(file, QJsonDocument(damaged).toJson());
        expectFailure<VUVI_BadFile>([&] { Project opened(file); },
                                    QStringLiteral("Project file '%1' is damaged: %2").arg(file, QString::fromUtf8(c.problem)));
    }
}

} // namespace
