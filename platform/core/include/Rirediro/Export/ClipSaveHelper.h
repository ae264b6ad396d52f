#pragma once

#include "Rirediro/Export/ExportClipParams.h"

#include <QString>
#include <QVector>

class TQ_ClipInfo;
class VUVI_ProjectManager;

namespace Rirediro {

// Writes the frames of a project clip to an image sequence or a movie: set
// the parameters up, prepare (which checks them), then save. Every call is
// kept in a journal with the parameters it was given.
class ClipSaveHelper
{
public:
    struct JournalEntry
    {
        QString operation; // "setupChannelsAndFormat", "populateClipIndices", "prepareToSaveClip", "doSaveClip"
        ExportClipParams params;
        QVector<bool> flags;  // the boolean arguments, in order
        int proxyScale = 0;
        bool result = false;  // what prepareToSaveClip answered
    };

    ClipSaveHelper();
    virtual ~ClipSaveHelper();

    // Channels and format of the files from the clip info. With `mattes`
    // the layers to export are written as mattes on black instead of the
    // clip's frames: white, or each in its matte colour (`byMatteColour`),
    // or each in a colour of its own (`byLayer`, which wins); no layers
    // (or only layers that have gone) give black mattes.
    static void setupChannelsAndFormat(ExportClipParams& params, const TQ_ClipInfo& info, bool mattes, bool colour,
                                       bool floatPixels, bool byLayer, bool byMatteColour);
    // The project frames to write; a frame f of the clip is project frame
    // f + the project's first frame offset.
    static void populateClipIndices(ExportClipParams& params, VUVI_ProjectManager& project, unsigned int first,
                                    unsigned int last, bool pulldown);
    // Checks that the parameters can be saved: a step, an existing folder,
    // a source clip of the project, views. False when not.
    bool prepareToSaveClip(VUVI_ProjectManager& project, ExportClipParams& params, bool noConversion,
                           int proxyScale);
    // Writes every frame from the first project frame to the last, `step`
    // apart: the source's frame f goes to file number firstFileNumber +
    // (f - first), a stream per view, or one for all the views side by side
    // when they are joint. Reports progress through the project's callbacks.
    // Throws VUVI_OperationFailed when a frame cannot be read or written, or
    // joint views differ in size.
    void doSaveClip(VUVI_ProjectManager& project, ExportClipParams& params, int proxyScale);

    static QVector<JournalEntry> journal();
    static void clearJournal();
};

} // namespace Rirediro
