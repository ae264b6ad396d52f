#include "Tools/InputEvent.h"

#include "Project/wrappers/PyHandle.h"
#include "Tools/GlueHelpers.h"

#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

InputEvent::InputEvent(const Rirediro::InputEvent& event, const boost::weak_ptr<VUVI_ProjectManager>& project)
    : pos_on_image(event.posOnImage())
    , pos_on_canvas(event.posOnCanvas())
    , m_event(event)
    , m_project(project)
{
    PyHandle<void>::fromWeakToShared(m_project);
    // A group, or any node that is no layer, is no layer of the event's.
    if (const auto core = boost::dynamic_pointer_cast<VUVI_Layer>(m_event.layer()))
        layer = Layer(core, m_project);
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
