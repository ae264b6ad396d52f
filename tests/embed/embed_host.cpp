// plinx_embed_host <script.py>
//
// Embeds Python the way the GUI application does: the interpreter's program
// name is "plinx-python" (PLINX_HOST_PROGRAM_NAME may name it otherwise), and
// the application object answers the invokable methods "progressWatcher" and
// "currentProject". It first opens the project file that PLINX_HOST_PROJECT
// names, if any (exit 1 when it cannot), and answers "currentProject" with
// it, else with null. It runs the script, then,
// when PLINX_HOST_REPORT_PROGRESS is set, reports one round of progress from
// the application thread and one from a worker thread, delivers it, and calls
// the script's after_host_progress() if it has one. When
// PLINX_HOST_PRINT_HISTORY is set, it prints the calls the open project's
// undo history received, one a line after "history:". Exits 0 when all of
// the script ran without an exception.
//
// Like the GUI application it has a viewer canvas (unless
// PLINX_HOST_NO_CANVAS is set), and scripts drive it and the project's tool
// manager through the built-in module embed_host (see HostModule below).

#include <Python.h>

#include "Python/PyHelpers.h"

#include <GUI/ViewerCanvas.h>
#include <Rirediro/Layers/Contour.h>
#include <Rirediro/Layers/ControlPoint.h>
#include <Rirediro/Layers/LayerGroup.h>
#include <Rirediro/Layers/VUVI_Layer.h>
#include <Rirediro/Project/VUVI_SelectionManager.h>
#include <Rirediro/ToolManager/Tool.h>

#include <basewrapper.h>
#include <bindingmanager.h>
#include <sbkconverter.h>

#include <Dururev/Dururev.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <Rirediro/Project/VUVI_ToolManager.h>
#include <TQ/ProgressWatcher.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <QPainter>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

class HostApplication : public QApplication
{
    Q_OBJECT
public:
    HostApplication(int& argc, char** argv) : QApplication(argc, argv), m_watcher(new TQ::ProgressWatcher) {}

    Q_INVOKABLE TQ::ProgressWatcher::Ptr progressWatcher() const { return m_watcher; }
    Q_INVOKABLE VUVI_ProjectManager* currentProject() const { return m_project.get(); }

    // Opens a project file as the application does: its whole header
    // first, then the project around its first clip.
    void openProject(const QString& path)
    {
        Rirediro::PathNameHandle handle(path, Rirediro::Callbacks(Dururev::callbacks()));
        Rirediro::ProjectHeaderData header;
        Rirediro::ProjectHeaderReader::readProjectHeader(handle, header);
        m_project = VUVI_ProjectManager::createFromHandle(handle, header.baseInfos.front(), header.clipInfos.front(),
                                                          VUVI_ProjectManager::MigratingClip(), true);
    }
    void closeProject() { m_project.reset(); }
    boost::shared_ptr<VUVI_ProjectManager> sharedProject() const { return m_project; }

    ViewerCanvas* canvas() const { return m_canvas.get(); }
    void createCanvas() { m_canvas = std::make_unique<ViewerCanvas>(); }
    void deleteCanvas() { m_canvas.reset(); }

    void printHistory() const
    {
        std::printf("history:\n");
        if (m_project) {
            for (const QString& call : m_project->commandManager()->journal())
                std::printf("%s\n", qPrintable(call));
            for (const QString& call : m_project->toolManager().journal())
                std::printf("%s\n", qPrintable(call));
        }
    }

    // What the core does during a long operation.
    void reportProgress(const QString& message, uint status)
    {
        Q_EMIT m_watcher->started();
        Q_EMIT m_watcher->progressMessage(message);
        Q_EMIT m_watcher->progressStatus(status);
        Q_EMIT m_watcher->finished();
    }

private:
    TQ::ProgressWatcher::Ptr m_watcher;
    boost::shared_ptr<VUVI_ProjectManager> m_project;
    std::unique_ptr<ViewerCanvas> m_canvas;
};

namespace {

bool runScript(const char* path)
{
    FILE* file = std::fopen(path, "r");
    if (!file) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return false;
    }
    return PyRun_SimpleFileExFlags(file, path, 1, nullptr) == 0;
}

bool callIfDefined(const char* function)
{
    PyObject* main = PyImport_AddModule("__main__");
    PyObject* callable = main ? PyObject_GetAttrString(main, function) : nullptr;
    if (!callable) {
        PyErr_Clear();
        return true;
    }
    PyObject* result = PyObject_CallNoArgs(callable);
    Py_DECREF(callable);
    if (!result) {
        PyErr_Print();
        return false;
    }
    Py_DECREF(result);
    return true;
}

void reportProgressRounds(HostApplication& application)
{
    application.reportProgress(QStringLiteral("on the application thread"), 40);

    // The core reports from its worker threads too; the watcher's signals then
    // arrive queued on the application thread. Python waits meanwhile.
    PyThreadState* saved = PyEval_SaveThread();
    QThread* worker = QThread::create([&application] {
        application.reportProgress(QStringLiteral("from a worker thread"), 80);
    });
    worker->start();
    worker->wait();
    delete worker;
    PyEval_RestoreThread(saved);

    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200)
        application.processEvents(QEventLoop::AllEvents, 50);
}

// --- The module embed_host -------------------------------------------------------------
//
// What the GUI does to tools and to its canvas, for scripts to drive:
//   open_project(path), close_project(holding_interpreter=False)
//                                            the application's project
//   request_tool(index=-1) -> bool           the tool manager calls creator
//                                            `index` (-1: the newest)
//   destroy_tool()                           deletes the current tool
//   activate(flag=True), deactivate(flag=True)
//   mouse_press, mouse_move, mouse_release (image_pos, canvas_pos, layer=None,
//       contour=None, point=None)            a core event over the layer named
//                                            `layer` (FOREIGN_LAYER: a node
//                                            that is no layer) and the ids of
//                                            its contour and point at these
//                                            indexes (None, or past the end:
//                                            no such id)
//   key_press(key)
//   draw_overlay(a, b) -> QImage or None     one draw of the canvas
//   overlay_painter() -> QPainter or None    the painter of the draw that runs
// Each gives the interpreter lock away and holds the core, as the
// application's threads do, around what it asks of the core or the canvas
// (but close_project(True), which keeps the interpreter lock and leaves the
// core alone, as an application slot that Python calls does).
namespace HostModule {

HostApplication* host = nullptr;
PyObject* foreignLayer = nullptr;
// The painters handed to Python during the draw that runs.
std::vector<QPainter*> paintersHandedOut;

// Runs the body without the interpreter lock, holding the core; a thrown
// error becomes RuntimeError. False when it threw.
template <typename Body>
bool withoutInterpreter(Body&& body)
{
    std::string failure;
    PyThreadState* saved = PyEval_SaveThread();
    try {
        PyHelpers::CoreLock core;
        body();
    } catch (const std::exception& error) {
        failure = error.what();
        if (failure.empty())
            failure = "failed";
    } catch (...) {
        failure = "unknown error";
    }
    PyEval_RestoreThread(saved);
    if (!failure.empty())
        PyErr_SetString(PyExc_RuntimeError, failure.c_str());
    return failure.empty();
}

// The open project, held by the action that asked for it until the action
// ends: an action that runs Python lends the core, and another thread may
// close the project meanwhile.
boost::shared_ptr<VUVI_ProjectManager> project()
{
    boost::shared_ptr<VUVI_ProjectManager> held = host->sharedProject();
    if (!held)
        throw std::runtime_error("no project is open");
    return held;
}

Rirediro::Tool& currentTool(VUVI_ProjectManager& project)
{
    Rirediro::Tool* tool = project.toolManager().currentTool();
    if (!tool)
        throw std::runtime_error("no current tool");
    return *tool;
}

PyObject* openProject(PyObject*, PyObject* args)
{
    const char* path = nullptr;
    if (!PyArg_ParseTuple(args, "s:open_project", &path))
        return nullptr;
    const QString file = QString::fromUtf8(path);
    if (!withoutInterpreter([&] { host->openProject(file); }))
        return nullptr;
    Py_RETURN_NONE;
}

PyObject* closeProject(PyObject*, PyObject* args)
{
    int holdingInterpreter = 0;
    if (!PyArg_ParseTuple(args, "|p:close_project", &holdingInterpreter))
        return nullptr;
    // As a Qt slot of the application that Python triggers closes it: the
    // interpreter lock held, the core not.
    if (holdingInterpreter)
        host->closeProject();
    else if (!withoutInterpreter([] { host->closeProject(); }))
        return nullptr;
    Py_RETURN_NONE;
}

PyObject* requestTool(PyObject*, PyObject* args)
{
    int index = -1;
    if (!PyArg_ParseTuple(args, "|i:request_tool", &index))
        return nullptr;
    bool made = false;
    if (!withoutInterpreter([&] { made = project()->toolManager().requestTool(index); }))
        return nullptr;
    return PyBool_FromLong(made);
}

PyObject* destroyTool(PyObject*, PyObject*)
{
    if (!withoutInterpreter([] { project()->toolManager().destroyCurrentTool(); }))
        return nullptr;
    Py_RETURN_NONE;
}

// activate(flag=True), deactivate(flag=True)
template <void (Rirediro::Tool::*Switch)(bool)>
PyObject* switchTool(PyObject*, PyObject* args)
{
    int flag = 1;
    if (!PyArg_ParseTuple(args, "|p", &flag))
        return nullptr;
    if (!withoutInterpreter([&] { (currentTool(*project()).*Switch)(flag); }))
        return nullptr;
    Py_RETURN_NONE;
}

PyObject* keyPress(PyObject*, PyObject* args)
{
    int key = 0;
    if (!PyArg_ParseTuple(args, "i:key_press", &key))
        return nullptr;
    if (!withoutInterpreter([&] { currentTool(*project()).handleKeyPress(key, Rirediro::InputEvent()); }))
        return nullptr;
    Py_RETURN_NONE;
}

// An index as the script gives it: None is none (-1).
bool indexOf(PyObject* given, long& index)
{
    index = -1;
    if (!given || given == Py_None)
        return true;
    index = PyLong_AsLong(given);
    if (index == -1 && PyErr_Occurred())
        return false;
    if (index < 0) {
        PyErr_SetString(PyExc_ValueError, "an index is 0 or more");
        return false;
    }
    return true;
}

// The core event over what the script names. The event refers to its node
// weakly: `layer` holds it for the call, as the project's tree would.
Rirediro::InputEvent coreEvent(VUVI_ProjectManager& manager, const QPointF& image, const QPointF& canvas, bool foreign,
                               const QString& layerName, long contourIndex, long pointIndex,
                               boost::shared_ptr<Rirediro::LayerBase>& layer)
{
    if (foreign) {
        layer = boost::make_shared<Rirediro::LayerGroup>(manager.selectionManager()->newLayerID(),
                                                         QStringLiteral("foreign"), manager.shared_from_this());
    } else if (!layerName.isNull()) {
        const auto found = manager.selectionManager()->findLayers(layerName, true);
        if (found.isEmpty())
            throw std::runtime_error("no such layer: " + layerName.toStdString());
        layer = found.front();
    }
    unsigned int contourID = 0, pointID = 0;
    if (const auto shapes = boost::dynamic_pointer_cast<VUVI_Layer>(layer)) {
        if (contourIndex >= 0 && contourIndex < shapes->contours().size()) {
            const auto& contour = shapes->contours().at(int(contourIndex));
            contourID = contour->id();
            if (pointIndex >= 0 && pointIndex < contour->points().size())
                pointID = contour->points().at(int(pointIndex))->id();
        }
    }
    return Rirediro::InputEvent(image, canvas, layer, contourID, pointID);
}

template <void (Rirediro::Tool::*Handle)(const Rirediro::InputEvent&)>
PyObject* mouse(PyObject*, PyObject* args, PyObject* keywords)
{
    static const char* names[] = {"image_pos", "canvas_pos", "layer", "contour", "point", nullptr};
    double ix = 0, iy = 0, cx = 0, cy = 0;
    PyObject *layer = Py_None, *contour = Py_None, *point = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, keywords, "(dd)(dd)|OOO", const_cast<char**>(names), &ix, &iy, &cx, &cy,
                                     &layer, &contour, &point))
        return nullptr;
    const bool foreign = layer == foreignLayer;
    QString layerName;
    if (!foreign && layer != Py_None) {
        const char* name = PyUnicode_AsUTF8(layer);
        if (!name)
            return nullptr;
        layerName = QString::fromUtf8(name);
    }
    long contourIndex = -1, pointIndex = -1;
    if (!indexOf(contour, contourIndex) || !indexOf(point, pointIndex))
        return nullptr;
    if (!withoutInterpreter([&] {
            const boost::shared_ptr<VUVI_ProjectManager> held = project();
            boost::shared_ptr<Rirediro::LayerBase> node;
            const Rirediro::InputEvent event = coreEvent(*held, QPointF(ix, iy), QPointF(cx, cy), foreign, layerName,
                                                         contourIndex, pointIndex, node);
            (currentTool(*held).*Handle)(event);
        }))
        return nullptr;
    Py_RETURN_NONE;
}

PyObject* drawOverlay(PyObject*, PyObject* args)
{
    float a = 0, b = 0;
    if (!PyArg_ParseTuple(args, "ff:draw_overlay", &a, &b))
        return nullptr;
    if (!host->canvas()) {
        PyErr_SetString(PyExc_RuntimeError, "the host has no canvas");
        return nullptr;
    }
    QImage image;
    const bool drawn = withoutInterpreter([&] { image = host->canvas()->drawOverlay(a, b); });
    // The draw's painter is gone: what Python kept of it is invalid.
    for (QPainter* painter : paintersHandedOut) {
        if (SbkObject* wrapper = Shiboken::BindingManager::instance().retrieveWrapper(painter))
            Shiboken::Object::invalidate(wrapper);
    }
    paintersHandedOut.clear();
    if (!drawn)
        return nullptr;
    if (image.isNull())
        Py_RETURN_NONE;
    return Shiboken::Conversions::copyToPython(Shiboken::Conversions::getConverter("QImage"), &image);
}

PyObject* overlayPainter(PyObject*, PyObject*)
{
    QPainter* painter = host->canvas() ? host->canvas()->currentPainter() : nullptr;
    if (!painter)
        Py_RETURN_NONE;
    paintersHandedOut.push_back(painter);
    return Shiboken::Conversions::pointerToPython(Shiboken::Conversions::getConverter("QPainter*"), painter);
}

PyMethodDef functions[] = {
    {"open_project", &openProject, METH_VARARGS, nullptr},
    {"close_project", &closeProject, METH_VARARGS, nullptr},
    {"request_tool", &requestTool, METH_VARARGS, nullptr},
    {"destroy_tool", &destroyTool, METH_NOARGS, nullptr},
    {"activate", &switchTool<&Rirediro::Tool::doActivate>, METH_VARARGS, nullptr},
    {"deactivate", &switchTool<&Rirediro::Tool::doDeactivate>, METH_VARARGS, nullptr},
    {"mouse_press", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&mouse<&Rirediro::Tool::vHandleMousePress>)),
     METH_VARARGS | METH_KEYWORDS, nullptr},
    {"mouse_move", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&mouse<&Rirediro::Tool::vHandleMouseMove>)),
     METH_VARARGS | METH_KEYWORDS, nullptr},
    {"mouse_release", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&mouse<&Rirediro::Tool::vHandleMouseRelease>)),
     METH_VARARGS | METH_KEYWORDS, nullptr},
    {"key_press", &keyPress, METH_VARARGS, nullptr},
    {"draw_overlay", &drawOverlay, METH_VARARGS, nullptr},
    {"overlay_painter", &overlayPainter, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr}};

PyModuleDef definition = {PyModuleDef_HEAD_INIT, "embed_host", nullptr, -1, functions,
                          nullptr, nullptr, nullptr, nullptr};

PyObject* create()
{
    // The painter and image conversions are PySide2's.
    if (!PyImport_ImportModule("PySide2.QtGui"))
        return nullptr;
    PyObject* module = PyModule_Create(&definition);
    if (!module)
        return nullptr;
    foreignLayer = PyObject_CallNoArgs(reinterpret_cast<PyObject*>(&PyBaseObject_Type));
    Py_XINCREF(foreignLayer);
    if (!foreignLayer || PyModule_AddObject(module, "FOREIGN_LAYER", foreignLayer) < 0) {
        Py_DECREF(module);
        return nullptr;
    }
    return module;
}

} // namespace HostModule

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <script.py>\n", argv[0]);
        return 2;
    }
    HostApplication application(argc, argv);
    const QString projectFile = qEnvironmentVariable("PLINX_HOST_PROJECT");
    if (!projectFile.isEmpty()) {
        try {
            application.openProject(projectFile);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(projectFile), error.what());
            return 1;
        }
    }

    HostModule::host = &application;
    if (!qEnvironmentVariableIsSet("PLINX_HOST_NO_CANVAS"))
        application.createCanvas();
    PyImport_AppendInittab("embed_host", &HostModule::create);

    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    const QString programName = qEnvironmentVariable("PLINX_HOST_PROGRAM_NAME", QStringLiteral("plinx-python"));
    PyConfig_SetString(&config, &config.program_name, programName.toStdWString().c_str());
    PyConfig_SetBytesArgv(&config, argc - 1, argv + 1);
    PyStatus status = Py_InitializeFromConfig(&config);
    PyConfig_Clear(&config);
    if (PyStatus_Exception(status))
        Py_ExitStatusException(status);

    bool ok = runScript(argv[1]);
    if (ok && qEnvironmentVariableIsSet("PLINX_HOST_REPORT_PROGRESS")) {
        reportProgressRounds(application);
        ok = callIfDefined("after_host_progress");
    }
    if (qEnvironmentVariableIsSet("PLINX_HOST_PRINT_HISTORY")) {
        // After what the script printed.
        PyRun_SimpleString("import sys\nsys.stdout.flush()\n");
        application.printHistory();
        std::fflush(stdout);
    }
    // Closed while the interpreter runs, so that scripts' wrappers of it are
    // told it has gone.
    application.closeProject();
    application.deleteCanvas();
    if (Py_FinalizeEx() < 0)
        ok = false;
    return ok ? 0 : 1;
}

#include "embed_host.moc"
