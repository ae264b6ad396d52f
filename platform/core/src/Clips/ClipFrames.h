#pragma once

#include <Prm/View.h>

#include <QString>

class VUVI_Clip;

namespace Rirediro {

// Where one frame of a clip's footage lies.
struct ClipFrameSource
{
    // Which rows of the file's picture make a field.
    enum Field { WholeFrame = -1, EvenRows = 0, OddRows = 1 };

    QString file;
    int frameInFile = 0; // the frame of a movie; 0 for a still
    Field field = WholeFrame;

    bool operator==(const ClipFrameSource& o) const
    {
        return file == o.file && frameInFile == o.frameInFile && field == o.field;
    }
};

// Frame f of a clip's stream for a project view: the file of index first + f
// of a sequence, or frame first + f of a movie. Field-interlaced footage
// holds two frames of the clip, its two fields, in each file, the first
// field in time first.
ClipFrameSource clipFrameSource(const VUVI_Clip& clip, const Prm::View& view, unsigned int f);

} // namespace Rirediro
