#pragma once

#include <QString>

class TQ_BaseClipInfo;
class TQ_ClipInfo;

namespace Dururev {

// Describes the footage of a movie or of one file of an image sequence (and
// the numbered files around it) into a base info and the default view of a
// clip info. False, with both left as they were, when the file cannot be
// read as footage. The flag asks for the sequence to be found; the stand-in
// always finds it.
bool getInfoFromMovieFile(const QString& path, TQ_BaseClipInfo& baseInfo, TQ_ClipInfo& clipInfo, bool findSequence);

} // namespace Dururev
