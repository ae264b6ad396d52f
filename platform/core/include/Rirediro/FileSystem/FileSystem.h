#pragma once

#include <QString>

class ProjectProperties;

namespace Rirediro {
namespace FileSystem {

// Makes sure the file cache folder of the product's settings exists; with
// `clear` set, empties it first. False when it cannot be made.
bool createFileCacheFolder(bool clear);

// Makes a folder and the folders above it that are missing. `description`
// says what the folder is for ("output"); a folder that cannot be made
// throws VUVI_BadFile naming it.
void createFolder(const QString& folder, const QString& description);

// What a write that failed throws: VUVI_BadFile with `fileError` (the file
// system's refusal, as Bsc::FileWrite words it) when there is one, else
// VUVI_OperationFailed "Cannot write '<file>'" (nothing can write such a
// file: an unknown format, a layout the format refuses).
[[noreturn]] void failedWrite(const QString& file, const QString& fileError);

// Makes the project's output folder (ProjectProperties::absoluteOutputDir)
// when it is missing; false when it cannot be made.
bool createProjectOutputFolder(const ProjectProperties& properties);

} // namespace FileSystem
} // namespace Rirediro
