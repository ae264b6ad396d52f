#pragma once

#include "Project/wrappers/Layer.h"

#include <Rirediro/ToolManager/InputEvent.h>

#include <QPointF>

#include <boost/optional.hpp>
#include <boost/weak_ptr.hpp>

class VUVI_ProjectManager;
struct _object;
typedef _object PyObject;

// One mouse event of the viewer as a Python tool receives it: where the
// pointer is and the layer under it. Scripts may change the public fields
// of their copy; the contour and control point under the pointer are looked
// up on demand from the core event that the value keeps.
class InputEvent
{
public:
    // Throws VUVI_BadState "Invalid object" when the project is gone.
    InputEvent(const Rirediro::InputEvent& event, const boost::weak_ptr<VUVI_ProjectManager>& project);
    InputEvent(const InputEvent&) = default;
    InputEvent& operator=(const InputEvent&) = default;
    ~InputEvent();

    // New references to the XSplineContour or BezierContour, and to the
    // XControlPoint or BezierControlPoint, under the pointer; None when there
    // is none. Called with the interpreter lock held.
    PyObject* get_contour() const;
    PyObject* get_control_point() const;

    const Rirediro::InputEvent& coreEvent() const { return m_event; }

    // The layer under the pointer; empty when the event concerns no layer
    // (none, or a node that is no layer).
    boost::optional<Layer> layer;
    QPointF pos_on_image;
    QPointF pos_on_canvas;

private:
    Rirediro::InputEvent m_event;
    boost::weak_ptr<VUVI_ProjectManager> m_project;
};
