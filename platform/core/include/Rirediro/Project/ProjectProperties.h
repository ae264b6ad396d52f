#pragma once

#include <TQ/InterlaceMode.h>

#include <boost/shared_ptr.hpp>

namespace Prm {
class Views;
}

// The project-wide settings of a project.
class ProjectProperties
{
public:
    ProjectProperties();
    ~ProjectProperties();
    ProjectProperties(const ProjectProperties&) = delete;
    ProjectProperties& operator=(const ProjectProperties&) = delete;

    // The number of frames of the project.
    unsigned int length() const { return m_length; }
    void setLength(unsigned int length) { m_length = length; }
    float frameRate() const { return m_frameRate; }
    void setFrameRate(float rate) { m_frameRate = rate; }
    TQ_INTERLACE_MODE interlaceMode() const { return m_interlaceMode; }
    void setInterlaceMode(TQ_INTERLACE_MODE mode) { m_interlaceMode = mode; }
    // The number the project's first frame is shown with.
    int firstFrameOffset() const { return m_firstFrameOffset; }
    void setFirstFrameOffset(int offset) { m_firstFrameOffset = offset; }

    boost::shared_ptr<Prm::Views> views() const { return m_views; }

private:
    unsigned int m_length = 1;
    float m_frameRate = 24.0f;
    TQ_INTERLACE_MODE m_interlaceMode = TQ_NOT_INTERLACED;
    int m_firstFrameOffset = 1;
    boost::shared_ptr<Prm::Views> m_views;
};
