#pragma once

// Where the image bridge meets the core's project model: what it asks of a
// project when a script changed the pixels of one of its frames.

#include <Prm/Context.h>

#include <QtGlobal>

#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;

namespace PyImageMemorySuite {

// The project's own weak reference to itself, empty for no project.
boost::weak_ptr<VUVI_ProjectManager> watchProject(VUVI_ProjectManager* projectManager);

// Tells the project that the image of a clip's frame changed: the frame
// manager marks the frame's image changed, and the file cache of the clip at
// that frame is dropped. A clip the project no longer has has no file cache
// to drop.
void invalidateFrameImage(VUVI_ProjectManager& project, quint32 clipId, const Prm::Context& context);

} // namespace PyImageMemorySuite
