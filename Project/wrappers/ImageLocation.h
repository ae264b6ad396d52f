#pragma once

#include <Prm/Context.h>

#include <QtGlobal>

#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;

// Where an image's pixels came from: one frame (time and view) of one clip
// of a project. Copied by value.
class ImageLocation
{
public:
    // Names no place: no project, clip 0, an invalid time, the default view.
    ImageLocation();
    // The project is also watched weakly, through the core's own weak
    // reference to it, so that a change reported after the project died is
    // dropped (FrameInvalidation.cpp makes that reference).
    ImageLocation(VUVI_ProjectManager* projectManager, quint32 clipId, Prm::Context context);
    // For a caller that holds the project's weak reference already.
    ImageLocation(const boost::weak_ptr<VUVI_ProjectManager>& project, quint32 clipId, Prm::Context context);

    // A project, a clip and a time that names a frame.
    explicit operator bool() const;

    VUVI_ProjectManager* projectManager() const { return m_projectManager; }
    const boost::weak_ptr<VUVI_ProjectManager>& project() const { return m_project; }
    quint32 clipId() const { return m_clipId; }
    const Prm::Context& context() const { return m_context; }

private:
    VUVI_ProjectManager* m_projectManager = nullptr;
    quint32 m_clipId = 0;
    Prm::Context m_context;
    boost::weak_ptr<VUVI_ProjectManager> m_project;
};
