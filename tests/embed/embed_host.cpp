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

#include <Python.h>

#include <Dururev/Dururev.h>
#include <Rirediro/Commands/CommandManager.h>
#include <Rirediro/Project/ProjectFile.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <TQ/ProgressWatcher.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <exception>

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

    void printHistory() const
    {
        std::printf("history:\n");
        if (m_project) {
            for (const QString& call : m_project->commandManager()->journal())
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
    if (Py_FinalizeEx() < 0)
        ok = false;
    return ok ? 0 : 1;
}

#include "embed_host.moc"
