#pragma once

#include <QString>

namespace TQ {

// Which picture of a file a read is for: the frame (of a movie; 0 for a
// still) and the stream (empty: the file's only or first one).
struct FootageContext
{
    unsigned int frameNumber = 0;
    QString streamName;
};

} // namespace TQ
