#pragma once

#include <QString>

namespace Dururev {

// What one file of footage tells about the footage it belongs to: a movie
// by itself, or a still image and the numbered sequence of its siblings.
struct FootageDescription
{
    bool isMovie = false;
    unsigned int width = 0;
    unsigned int height = 0;
    float frameRate = 24.0f;
    // The folder of the files; for a movie the prefix is its file name.
    QString folder;
    QString prefix;
    QString suffix;
    unsigned int firstIndex = 0;
    unsigned int lastIndex = 0;
    // Digits of a file's index; 0 for a movie or an unnumbered still.
    unsigned int indexWidth = 0;

    unsigned int frameCount() const { return lastIndex - firstIndex + 1; }
};

// Describes the footage of a movie or image file; false when the file cannot
// be read as either. A still's rate is the one its file records, else 24.
bool describeFootage(const QString& path, FootageDescription& description);

} // namespace Dururev
