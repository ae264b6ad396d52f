#include "Tools/InputEvent.h"

#include "Project/wrappers/PyHandle.h"
#include "Tools/GlueHelpers.h"

#include <Rirediro/Project/VUVI_ProjectManager.h>

InputEvent::InputEvent(const Rirediro::InputEvent& event, const boost::weak_ptr<VUVI_ProjectManager>& project)
    : pos_on_image(event.posOnImage())
    , pos_on_canvas(event.posOnCanvas())
    , m_event(event)
    , m_project(project)
{
    PyHandle<void>::fromWeakToShared(m_project);
    if (const boost::shared_ptr<Rirediro::LayerBase> base = m_event.layer())
        layer = Python::layerFromBase(base, m_project);
}

InputEvent::~InputEvent() = default;

PyObject* InputEvent::get_contour() const
{
    return GlueHelpers::contourObject(m_event, m_project);
}

PyObject* InputEvent::get_control_point() const
{
    return GlueHelpers::controlPointObject(m_event, m_project);
}
