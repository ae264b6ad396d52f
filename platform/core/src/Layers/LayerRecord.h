#pragma once

#include "ShapeRecord.h"

#include <Rirediro/Clips/ClipID.h>

#include <Gandalf/Matrix.h>
#include <Prm/View.h>

#include <QColor>
#include <QMap>
#include <QString>
#include <QStringList>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <map>
#include <utility>
#include <vector>

class VUVI_ProjectManager;
class VUVI_SelectionManager;

namespace Rirediro {

class LayerBase;

// One node of a layer tree as files and undo keep it: everything but its
// children and its selection.
struct LayerRecord
{
    enum Kind { Layer, Group };

    Kind kind = Layer;
    unsigned int id = 0;
    unsigned int parentID = 0; // 0: the top level
    int position = -1;         // among the parent's children, rear first; -1: last
    QString name;
    bool hidden = false;
    bool locked = false;
    QColor matteColour;
    QColor strokeColour;
    // Layers only.
    TQ::ClipID clip = 0;
    std::vector<Prm::View> views;
    ParameterLines parameters;
    std::vector<ContourRecord> contours; // in the layer's order
    std::map<std::pair<int, int>, Gan_Matrix33> track; // the track's keys by (view id, frame)
};

LayerRecord recordOf(const LayerBase& node);
// Makes the node of a record, with its contours, and puts it into the tree: into its parent
// (the top level when the parent is not a group of the tree) at its
// position. False when a parameter line is not the node's; the node is
// made all the same.
bool restore(const LayerRecord& record, VUVI_SelectionManager& selection,
             const boost::weak_ptr<VUVI_ProjectManager>& project);

// Makes the points of a restored layer follow the masters its record
// names, where they exist (run once every node of a tree is back).
void restoreConstraints(const LayerRecord& record, VUVI_ProjectManager& project);

} // namespace Rirediro
