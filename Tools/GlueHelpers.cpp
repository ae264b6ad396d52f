#include "Tools/GlueHelpers.h"

#include "Project/wrappers/BezierContour.h"
#include "Project/wrappers/BezierControlPoint.h"
#include "Project/wrappers/Project.h"
#include "Project/wrappers/PyHandle.h"
#include "Project/wrappers/XControlPoint.h"
#include "Project/wrappers/XSplineContour.h"
#include "Python/InterpreterEnd.h"
#include "Python/PyHelpers.h"
#include "Tools/AbstractTool.h"
#include "Tools/PythonTool.h"
#include "shiboken/binding/Lifetimes.h"
#include "shiboken/binding/Overrides.h"

#include <GUI/ViewerCanvas.h>
#include <Rirediro/ErrorHandling/VUVI_Error.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>
#include <Rirediro/ToolManager/InputEvent.h>

#include <autodecref.h>
#include <basewrapper.h>
#include <gilstate.h>
#include <sbkconverter.h>

#include <QApplication>
#include <QCoreApplication>
#include <QVector>

#include <functional>
#include <memory>

namespace GlueHelpers {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ToolTypeSystem", text);
}

QString nameOf(PyTypeObject* type)
{
    return QString::fromUtf8(type->tp_name);
}

// Core work from a thread that holds the interpreter lock: the lock is given
// away first and taken back last, so that the core's holder may call Python.
template <typename Body>
decltype(auto) inCore(Body&& body)
{
    const PyHelpers::InterpreterGivenAway unlocked;
    PyHelpers::CoreLock core;
    return body();
}

// --- The registry ---------------------------------------------------------------------

struct Entry
{
    PyTypeObject* type; // held with a reference for the process
    QPointer<AbstractTool> instance;
};

// Guarded by the interpreter lock, like the types it holds.
QVector<Entry>& registry()
{
    static QVector<Entry> entries;
    return entries;
}

Entry* entryOf(PyTypeObject* type)
{
    for (Entry& entry : registry())
        if (entry.type == type)
            return &entry;
    return nullptr;
}

PyTypeObject*& baseType()
{
    static PyTypeObject* type = nullptr;
    return type;
}

PyObject* existingOrNewWrapper(AbstractTool* tool)
{
    if (SbkObject* wrapper = Binding::wrapperOf(tool)) {
        Py_INCREF(wrapper);
        return reinterpret_cast<PyObject*>(wrapper);
    }
    return Shiboken::Conversions::pointerToPython(reinterpret_cast<SbkObjectType*>(baseType()), tool);
}

// The AbstractTool of what a tool type's call gave; null with a Python
// error set when it is none, or one that another core tool already owns.
AbstractTool* toolOf(PyObject* made)
{
    if (!PyObject_TypeCheck(made, baseType())) {
        PyErr_Format(PyExc_TypeError, "A tool type made an object of another type: %s", Py_TYPE(made)->tp_name);
        return nullptr;
    }
    if (!Shiboken::Object::isValid(reinterpret_cast<SbkObject*>(made), true))
        return nullptr;
    auto* tool = static_cast<AbstractTool*>(
        Shiboken::Object::cppPointer(reinterpret_cast<SbkObject*>(made), baseType()));
    if (!tool || tool->internalTool()) {
        PyErr_SetString(PyExc_RuntimeError, "A tool type gave a tool that is already in use");
        return nullptr;
    }
    return tool;
}

// --- The overlay renderer ---------------------------------------------------------------

// A reference to the installed callable, given back under the interpreter
// lock when the last renderer holding it goes.
using HeldCallable = std::shared_ptr<PyObject>;

HeldCallable hold(PyObject* callable)
{
    Py_INCREF(callable);
    return HeldCallable(callable, [](PyObject* object) {
        Binding::RuntimeLock lock;
        if (lock.held())
            Py_DECREF(object);
    });
}

QWidget* canvasWidget()
{
    for (QWidget* widget : QApplication::allWidgets())
        if (widget->objectName() == QLatin1String("canvas"))
            return widget;
    return nullptr;
}

// --- Shapes under an event ----------------------------------------------------------------

template <typename Handle>
PyObject* copyToPython(const char* typeName, const Handle& handle)
{
    SbkConverter* converter = Shiboken::Conversions::getConverter(typeName);
    if (!converter) {
        PyErr_Format(PyExc_RuntimeError, "No conversion of %s: plinx.project is not loaded", typeName);
        return nullptr;
    }
    return Shiboken::Conversions::copyToPython(converter, &handle);
}

// Makes the Python object of a handle found in the core; run with the
// interpreter lock held. Empty: None.
using PythonMaker = std::function<PyObject*()>;

// The handle of a contour or point, by its contour's kind. Handles keep weak
// references only: the core's objects are let go of inside the core.
template <typename XSplineHandle, typename BezierHandle, typename Core>
PythonMaker handleOfKind(const boost::shared_ptr<Core>& object, Rirediro::Contour::Kind kind,
                         const boost::shared_ptr<VUVI_ProjectManager>& project, const char* xsplineName,
                         const char* bezierName)
{
    if (!object)
        return {};
    switch (kind) {
    case Rirediro::Contour::XSpline:
        return [handle = XSplineHandle(object, project), xsplineName] { return copyToPython(xsplineName, handle); };
    case Rirediro::Contour::Bezier:
        return [handle = BezierHandle(object, project), bezierName] { return copyToPython(bezierName, handle); };
    }
    return {}; // a kind without handle
}

// The contour (or with `point`, the control point) under an event.
PyObject* shapeUnder(const Rirediro::InputEvent& event, const boost::weak_ptr<VUVI_ProjectManager>& weakProject,
                     bool point)
{
    const PythonMaker make = inCore([&]() -> PythonMaker {
        const auto project = PyHandle<void>::fromWeakToShared(weakProject);
        // A node that is no layer has no contours.
        const auto layer = boost::dynamic_pointer_cast<VUVI_Layer>(event.layer());
        const auto contour = layer ? layer->contourWithID(event.contourID()) : nullptr;
        if (!contour)
            return {};
        if (point)
            return handleOfKind<XControlPoint, BezierControlPoint>(contour->pointByID(event.pointID()),
                                                                  contour->kind(), project, "XControlPoint",
                                                                  "BezierControlPoint");
        return handleOfKind<XSplineContour, BezierContour>(contour, contour->kind(), project, "XSplineContour",
                                                           "BezierContour");
    });
    if (!make)
        Py_RETURN_NONE;
    return make();
}

} // namespace

// --- ToolTypeSystem --------------------------------------------------------------------------

void ToolTypeSystem::setBaseType(PyTypeObject* abstractTool)
{
    baseType() = abstractTool;
}

void ToolTypeSystem::registerCustomTool(PyTypeObject* type)
{
    if (entryOf(type))
        throw PyExceptions::PyTypeError(tr("Type has already been registered: %1").arg(nameOf(type)));
    if (!baseType() || !PyType_IsSubtype(type, baseType()))
        throw PyExceptions::PyTypeError(tr("Custom tool must be a sub-type of %1: %2")
                                            .arg(baseType() ? nameOf(baseType()) : QStringLiteral("AbstractTool"),
                                                 nameOf(type)));
    Py_INCREF(type);
    registry().append(Entry{type, nullptr});
    inCore([type] {
        VUVI_ToolManager::addNewToolCreator([type](VUVI_ToolManager* tools, VUVI_SelectionManager* selection) {
            return createAndRegisterNewInstance(type, tools, selection);
        });
    });
}

PyObject* ToolTypeSystem::registeredTypes()
{
    const QVector<Entry>& entries = registry();
    PyObject* types = PyTuple_New(entries.size());
    for (int i = 0; types && i < entries.size(); ++i) {
        Py_INCREF(entries[i].type);
        PyTuple_SET_ITEM(types, i, reinterpret_cast<PyObject*>(entries[i].type));
    }
    return types;
}

PyObject* ToolTypeSystem::instanceOf(PyTypeObject* type)
{
    const Entry* entry = entryOf(type);
    if (!entry)
        throw PyExceptions::PyTypeError(tr("Given tool type is not registered: %1").arg(nameOf(type)));
    if (!entry->instance)
        Py_RETURN_NONE;
    return existingOrNewWrapper(entry->instance);
}

QPointer<Rirediro::CustomTool> ToolTypeSystem::createAndRegisterNewInstance(PyTypeObject* type,
                                                                           VUVI_ToolManager* toolManager,
                                                                           VUVI_SelectionManager* selectionManager)
{
    if (!Py_IsInitialized() || _Py_IsFinalizing() || !selectionManager)
        return nullptr;
    // The script's Project over the core project lives with it, as the
    // application's own does.
    VUVI_ProjectManager& core = selectionManager->projectManager();
    auto* project = new Project(&core);
    if (!PyHelpers::giveParent(*project, &core)) {
        delete project;
        return nullptr;
    }

    const PyHelpers::PythonFromCore python;
    PyObject* pythonProject =
        Shiboken::Conversions::pointerToPython(Shiboken::Conversions::getConverter("Project*"), project);
    Shiboken::AutoDecRef made(
        Binding::callForCore(reinterpret_cast<PyObject*>(type), pythonProject ? PyTuple_Pack(1, pythonProject) : nullptr));
    Py_XDECREF(pythonProject);
    if (made.isNull())
        return nullptr;
    AbstractTool* tool = toolOf(made);
    if (!tool) {
        Binding::reportPythonError();
        return nullptr;
    }
    try {
        // Core work: the core is taken back from its loan for it.
        inCore([&] { tool->initTool(toolManager, selectionManager); });
    } catch (const std::exception& error) {
        PyErr_SetString(PyExc_RuntimeError, error.what());
        Binding::reportPythonError();
        return nullptr;
    }
    // From now on the core tool owns the object, and the runtime keeps the
    // Python object alive until the core tool deletes it.
    Shiboken::Object::releaseOwnership(made.object());
    if (Entry* entry = entryOf(type))
        entry->instance = tool;
    return tool->internalTool();
}

// --- The overlay renderer ------------------------------------------------------------------

void setExtraOverlayRenderer(PyObject* callable)
{
    if (!PyCallable_Check(callable))
        throw PyExceptions::PyTypeError(tr("Given type is not callable: %1").arg(nameOf(Py_TYPE(callable))));
    const HeldCallable held = hold(callable);
    inCore([&] {
        QWidget* canvas = canvasWidget();
        if (!canvas)
            Rirediro::throwException<VUVI_OperationFailed>(__FILE__, __LINE__, tr("There is no viewer canvas to draw on"),
                                                            QString());
        QOpenGLWidget* widget = qobject_cast<QOpenGLWidget*>(canvas);
        const OverlayRenderer renderer = [held, widget](PyObject*, QOpenGLWidget*, float first, float second) {
            renderOverlay(held.get(), widget, first, second);
        };
        QMetaObject::invokeMethod(canvas, "setExtraOverlayRenderer", Qt::AutoConnection,
                                  QGenericArgument("OverlayRenderer", &renderer));
    });
}

void renderOverlay(PyObject* callable, QOpenGLWidget* widget, float first, float second)
{
    const PyHelpers::PythonFromCore python;
    if (!python.running())
        return;
    // The canvas is the viewer's, lent to the renderer for the call.
    Binding::Loans loans;
    loans.lend(widget);
    PyObject* pythonWidget =
        Shiboken::Conversions::pointerToPython(Shiboken::Conversions::getConverter("QOpenGLWidget*"), widget);
    Binding::guardDeletionOf(pythonWidget);
    Shiboken::AutoDecRef result(Binding::callForCore(
        callable, pythonWidget ? Py_BuildValue("(Ndd)", pythonWidget, double(first), double(second)) : nullptr));
}

// --- Shapes under an event ------------------------------------------------------------------

PyObject* contourObject(const Rirediro::InputEvent& event, const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    return shapeUnder(event, project, false);
}

PyObject* controlPointObject(const Rirediro::InputEvent& event,
                             const boost::weak_ptr<VUVI_ProjectManager>& project)
{
    return shapeUnder(event, project, true);
}

} // namespace GlueHelpers
