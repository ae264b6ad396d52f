#pragma once

// The project file: one JSON document, written and read whole.
//
//   {
//     "format": "plinx project", "version": 2,
//     "properties": { "notes", "length", "frameRate", "interlaceMode",
//                     "firstFrameOffset", "outputDir", "playbackInPoint",
//                     "playbackOutPoint", "heroView" },
//     "views": [ { "id", "names": [name, abbreviation], "colour": [r, g, b] } ],
//     "baseClips": [ { "id", "info": {...}, "camera": {parameters} } ],
//     "clips": [ { "id", "baseClip", "name", "info": {...} } ],
//     "defaultTrackableClip": <clip id>,
//     "layers": [ { "kind": "layer" or "group", "id", "parent", "name",
//                   "hidden", "locked", "matteColour": [r, g, b, a],
//                   "strokeColour": [r, g, b, a],
//                   and for layers "clip", "views": [ids], "parameters": {...} } ]
//   }
//
// Clips are listed in project order. Layers and groups are listed each after
// the group it is in ("parent", 0 for the top level), the nodes of one group
// rear to front. Parameters are stored by script name, each as the lines of
// its text form ({"firstIndex": ["value=1"]}). Reals that are not numbers are
// stored as "nan", "inf" and "-inf"; colours of layers as 8-bit channels.
//
// Version 1 had no layers (its "layers" list is empty). A file whose version
// is above kCurrentVersion is refused, so a format change raises the version
// and keeps reading the older ones. Reading checks everything before anything
// is built: a ProjectRecord is a complete, consistent project.

#include "../Layers/LayerRecord.h"

#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>

#include <Bsc/Colour3.h>
#include <Prm/View.h>

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <vector>

class VUVI_ProjectManager;

namespace Prm {
class ParameterWithoutType;
}

namespace Rirediro {

struct ViewRecord
{
    Prm::View view;
    QStringList names;
    Bsc::Colour3<float> colour;
};

struct BaseClipRecord
{
    unsigned int id = 0;
    TQ_BaseClipInfo info;
    ParameterLines camera;
};

struct ClipRecord
{
    unsigned int id = 0;
    unsigned int baseClipID = 0;
    QString name;
    TQ_ClipInfo info;
};

struct ProjectRecord
{
    QString notes;
    unsigned int length = 1;
    float frameRate = 24.0f;
    TQ_INTERLACE_MODE interlaceMode = TQ_NOT_INTERLACED;
    int firstFrameOffset = 1;
    QString outputDir;
    unsigned int playbackInPoint = 0;
    unsigned int playbackOutPoint = 0;
    Prm::View heroView{0};
    std::vector<ViewRecord> views;
    std::vector<BaseClipRecord> baseClips;
    std::vector<ClipRecord> clips; // project order; never empty
    unsigned int defaultTrackableClip = 0;
    std::vector<LayerRecord> layers; // each after its group, a group's nodes rear to front

    const BaseClipRecord* baseClip(unsigned int id) const;
};

namespace ProjectDocument {

constexpr int kCurrentVersion = 2;

// Everything of the project that the file keeps.
ProjectRecord recordOf(const VUVI_ProjectManager& project);
QByteArray write(const ProjectRecord& record);
// Parses and checks a whole document; throws VUVI_BadFile naming `source`.
ProjectRecord read(const QByteArray& contents, const QString& source);

// Parameters as lines, and the lines read back into parameters of the same
// script names: false, after reading what it could, when a name or a line
// is not one of theirs.
ParameterLines linesOf(const std::vector<const Prm::ParameterWithoutType*>& parameters);
bool readLines(const ParameterLines& lines, const std::vector<Prm::ParameterWithoutType*>& parameters);

} // namespace ProjectDocument
} // namespace Rirediro
