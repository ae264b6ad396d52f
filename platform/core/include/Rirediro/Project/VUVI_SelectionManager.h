#pragma once

#include <Rirediro/Clips/ClipID.h>

#include <Bsc/GanImage.h>
#include <Prm/Context.h>

#include <QString>
#include <QStringList>
#include <QVector>

#include <boost/shared_ptr.hpp>

#include <map>
#include <tuple>
#include <vector>

class VUVI_Layer;
class VUVI_ProjectManager;

namespace Rirediro {
class Contour;
class ControlPoint;
class LayerBase;
class LayerRoot;
} // namespace Rirediro

// The layer tree of a project and which of its nodes are selected.
//
// Order: each group keeps its children rear to front; "front to rear"
// walks the tree from the front, a group's children after the group. Ids
// of layers and groups are handed out here, one sequence for both.
class VUVI_SelectionManager
{
public:
    explicit VUVI_SelectionManager(VUVI_ProjectManager& project);
    virtual ~VUVI_SelectionManager();
    VUVI_SelectionManager(const VUVI_SelectionManager&) = delete;
    VUVI_SelectionManager& operator=(const VUVI_SelectionManager&) = delete;

    VUVI_ProjectManager& projectManager() const { return m_project; }
    const boost::shared_ptr<Rirediro::LayerRoot>& layerRoot() const { return m_layerRoot; }

    // ---- look-ups ----
    // The layer with that id, or null; with `selectedOnly` only a selected one.
    boost::shared_ptr<VUVI_Layer> findLayer(unsigned int id, bool selectedOnly) const;
    // The layer or group whose id text is `id`, or null.
    boost::shared_ptr<Rirediro::LayerBase> layerFromID(const QString& id) const;
    // The layers and groups named `name` exactly, front to rear: in the whole
    // tree, or at the top level only.
    QVector<boost::shared_ptr<Rirediro::LayerBase>> findLayers(const QString& name, bool wholeTree) const;
    // Every layer (not group), front to rear.
    QVector<boost::shared_ptr<VUVI_Layer>> layersFrontToRear() const;
    // Every layer and group, front to rear.
    QVector<boost::shared_ptr<Rirediro::LayerBase>> allLayersAndGroups() const;
    // The contour with that id on the layer with that id, or null; with
    // `selectedOnly` only on a selected layer.
    boost::shared_ptr<Rirediro::Contour> pGetContour(unsigned int layerID, unsigned int contourID,
                                                     bool selectedOnly) const;
    // The point with that id anywhere in the project, or null.
    boost::shared_ptr<Rirediro::ControlPoint> findPoint(unsigned int pointID) const;
    // The points that follow `master`.
    QVector<boost::shared_ptr<Rirediro::ControlPoint>> slavesOf(const Rirediro::ControlPoint& master) const;

    // ---- shapes ----
    // Makes `slave` follow `master` (no checks, no undo). A point of a
    // Bezier contour that starts to follow another changes the curve
    // around it, so its neighbours get smooth handles at the current frame.
    void constrain(const boost::shared_ptr<Rirediro::ControlPoint>& master,
                   const boost::shared_ptr<Rirediro::ControlPoint>& slave);
    // Sets up what the tools need to edit a layer that has just got its
    // first contour.
    virtual void vInitialiseLayer(const boost::shared_ptr<VUVI_Layer>& layer, const Prm::Context& context);
    // An id that no contour or point has had in this session.
    unsigned int newShapeID();
    // Makes sure that newShapeID never hands out `id` (a shape put back with it).
    void reserveShapeID(unsigned int id);

    // "vInitialiseLayer <id> at <time> in view <id>", oldest first.
    const QStringList& journal() const { return m_journal; }
    void clearJournal() { m_journal.clear(); }

    // ---- edits without undo ----
    // A new empty group at the front of the top level; its id.
    QString createLayerGroup();
    // Unselects every layer and group (recorded in the application log).
    void vUnSelectAllLayers();

    // ---- images made from layers ----
    using LayerImage = Bsc::detail::GanImage_Ptr<Gan_Image>;
    // Keeps an image made from a layer at a context (its matte, say), which
    // later requests for it reuse until the caches are flushed.
    void cacheLayerImage(unsigned int layerId, const Prm::Context& context, const LayerImage& image);
    // The image kept for the layer at the context; empty when none is.
    LayerImage cachedLayerImage(unsigned int layerId, const Prm::Context& context) const;
    int cachedImageCount() const { return int(m_layerImages.size()); }
    // Forgets every image kept (recorded in the application log).
    void flushImageCaches();

    // ---- for the core's commands and project files ----
    // A new layer at the front of the top level.
    boost::shared_ptr<VUVI_Layer> createLayer(const QString& name, TQ::ClipID clip,
                                              const std::vector<Prm::View>& views, const Prm::Context& context);
    // An id that no node has had in this session.
    unsigned int newLayerID();
    // Makes sure that newLayerID never hands out `id` (a node put back with it).
    void reserveLayerID(unsigned int id);

private:
    VUVI_ProjectManager& m_project;
    boost::shared_ptr<Rirediro::LayerRoot> m_layerRoot;
    unsigned int m_lastID = 0;
    unsigned int m_lastShapeID = 0;
    QStringList m_journal;
    // By layer id, time and view id.
    std::map<std::tuple<unsigned int, double, int32_t>, LayerImage> m_layerImages;
};
