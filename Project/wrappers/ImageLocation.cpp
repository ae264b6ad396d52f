#include "ImageLocation.h"

#include "FrameInvalidation.h"

#include <Prm/Frame.h>

#include <boost/shared_ptr.hpp>

ImageLocation::ImageLocation() : m_context(Prm::Time(), Prm::View(), 3) {}

ImageLocation::ImageLocation(VUVI_ProjectManager* projectManager, quint32 clipId, Prm::Context context)
    : m_projectManager(projectManager)
    , m_clipId(clipId)
    , m_context(context)
    , m_project(PyImageMemorySuite::watchProject(projectManager))
{
}

ImageLocation::ImageLocation(const boost::weak_ptr<VUVI_ProjectManager>& project, quint32 clipId,
                             Prm::Context context)
    : m_projectManager(project.lock().get()), m_clipId(clipId), m_context(context), m_project(project)
{
}

ImageLocation::operator bool() const
{
    // The checked conversion: a time that names no frame (negative, invalid,
    // beyond 32 bits) never reaches the core as a frame number.
    return m_projectManager && m_clipId != 0 && !Prm::Frame::fromTime(m_context.time).isNegative();
}
