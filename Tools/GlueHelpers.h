#pragma once

#include "Project/wrappers/PyExceptions.h"

#include <QPointer>

#include <boost/weak_ptr.hpp>

struct _object;
typedef _object PyObject;
struct _typeobject;
typedef _typeobject PyTypeObject;

class AbstractTool;
class QOpenGLWidget;
class VUVI_ProjectManager;
class VUVI_SelectionManager;
class VUVI_ToolManager;

namespace Rirediro {
class CustomTool;
class InputEvent;
} // namespace Rirediro

// The glue between scripts and the viewer: tool types written in Python,
// the extra overlay renderer, and the shapes under a mouse event. Every
// function here is called with the interpreter lock held and gives it away
// around the core's and the viewer's work.
namespace GlueHelpers {

// The process-wide registry of Python tool types: each registered type
// (held with a reference) and the instance the core last had made of it.
class ToolTypeSystem
{
public:
    // Registers a subclass of plinx.tools.AbstractTool and hands the core's
    // tool managers a creator for it. PyExceptions::PyTypeError for a type
    // registered before or of another kind; nothing is recorded then.
    static void registerCustomTool(PyTypeObject* type);
    // The registered types, in the order of registration: a new tuple.
    static PyObject* registeredTypes();
    // A new reference to the live instance of the type, or to None.
    // PyExceptions::PyTypeError for a type that is not registered.
    static PyObject* instanceOf(PyTypeObject* type);

    // The creator: calls the type with a Project over the selection
    // manager's project, sets the instance up and records it. Null when the
    // constructor raised (printed) or gave no tool. Takes the interpreter
    // lock itself: the core calls it without.
    static QPointer<Rirediro::CustomTool> createAndRegisterNewInstance(PyTypeObject* type,
                                                                       VUVI_ToolManager* toolManager,
                                                                       VUVI_SelectionManager* selectionManager);

    // The Python type that every tool type must derive from; set by the
    // module plinx.tools at start-up.
    static void setBaseType(PyTypeObject* abstractTool);
};

// Installs a callable (held with a reference until the next one replaces
// it) as the extra overlay renderer of the widget named "canvas".
// PyExceptions::PyTypeError for an object that cannot be called;
// VUVI_OperationFailed when the application has no canvas.
void setExtraOverlayRenderer(PyObject* callable);

// One call of the overlay callable: the canvas as a QOpenGLWidget of
// PySide2 and two floats. Its errors are printed. Takes the interpreter
// lock itself: the viewer calls it without.
void renderOverlay(PyObject* callable, QOpenGLWidget* widget, float first, float second);

// The XSplineContour or BezierContour, and the XControlPoint or
// BezierControlPoint, under a mouse event, as new Python references; None
// when the event names no layer, a node that is no layer, no contour of
// the layer, or no point of the contour. VUVI_BadState "Invalid object"
// when the project is gone.
PyObject* contourObject(const Rirediro::InputEvent& event, const boost::weak_ptr<VUVI_ProjectManager>& project);
PyObject* controlPointObject(const Rirediro::InputEvent& event,
                             const boost::weak_ptr<VUVI_ProjectManager>& project);

} // namespace GlueHelpers
