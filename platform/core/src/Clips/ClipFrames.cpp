#include "ClipFrames.h"

#include "Rirediro/Clips/VUVI_BaseClip.h"
#include "Rirediro/Clips/VUVI_Clip.h"

#include <TQ/ClipInfo.h>

namespace Rirediro {

ClipFrameSource clipFrameSource(const VUVI_Clip& clip, const Prm::View& view, unsigned int f)
{
    const TQ_ClipInfo& info = clip.clipInfo();
    const TQ_INTERLACE_MODE mode = clip.baseClip().baseInfo().interlaceMode();
    const bool fields = TQ::isFieldInterlaced(mode);
    const unsigned int index = info.minIndex(view) + (fields ? f / 2 : f);
    const Prm::View clipView = info.remapViewIfRequired(view, TQ_ClipInfo::ProjectToClipView);

    ClipFrameSource source;
    if (info.indexWidth().value(clipView) > 0) {
        source.file = info.fileNameForIndex(view, index);
    } else {
        source.file = info.firstFileName(view);
        source.frameInFile = int(index);
    }
    if (fields) {
        // The upper field is the even rows, counted from the top.
        const bool upperField = (f % 2 == 0) == (mode == TQ_UPPER_FIELD_FIRST);
        source.field = upperField ? ClipFrameSource::EvenRows : ClipFrameSource::OddRows;
    }
    return source;
}

} // namespace Rirediro
