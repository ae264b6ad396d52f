#include "Dururev/MovieInfo.h"

#include "TQ/ClipInfo.h"

#include <Dururev/FootageDescription.h>
#include <TQ/BaseClipInfo.h>

namespace Dururev {

bool getInfoFromMovieFile(const QString& path, TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo, bool)
{
    FootageDescription footage;
    if (!describeFootage(path, footage))
        return false;

    baseInfo.setFrameWidth(footage.width);
    baseInfo.setFrameHeight(footage.height);
    baseInfo.setFrameRate(footage.frameRate);
    baseInfo.setInterlaceMode(TQ_NOT_INTERLACED);

    const Prm::View view = clipInfo.remapViewIfRequired(Prm::View(), TQ_ClipInfo::ProjectToClipView);
    clipInfo.streamPath().setValue(footage.folder, view);
    clipInfo.prefix().setValue(Bsc::FSPercentEscapedString(footage.prefix, 0), view);
    clipInfo.suffix().setValue(Bsc::FSPercentEscapedString(footage.suffix, 0), view);
    clipInfo.indexWidth().setValue(footage.indexWidth, view);
    clipInfo.isSequence().setValue(footage.indexWidth != 0, view);
    clipInfo.firstIndex().setValue(footage.firstIndex, view);
    clipInfo.lastIndex().setValue(footage.lastIndex, view);
    clipInfo.setLength(footage.frameCount(), view);
    return true;
}

} // namespace Dururev
