#pragma once

#include <QString>

namespace Rirediro {
namespace FileSystem {

// Makes sure the file cache folder of the product's settings exists; with
// `clear` set, empties it first. False when it cannot be made.
bool createFileCacheFolder(bool clear);

} // namespace FileSystem
} // namespace Rirediro
