#include "Bootstrap.h"

#include "InterpreterEnd.h"
#include "ProcessingModules.h"
#include "PyHelpers.h"

#include <Bsc/Logger.h>
#include <Dururev/Dururev.h>
#include <Product/Settings.h>
#include <Rirediro/ErrorHandling/VUVI_ErrorDetector.h>
#include <Rirediro/ErrorHandling/VUVI_Throw.h>
#include <Rirediro/FileSystem/FileSystem.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>

#include <sbkpython.h>

#include <QApplication>
#include <QDebug>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QThread>

#include <cwchar>
#include <stdexcept>

namespace {

QMutex& bootstrapMutex()
{
    static QMutex mutex;
    return mutex;
}

bool s_bootstrapped = false;

// --- The process's core progress watcher --------------------------------------

struct WatcherSlot
{
    QMutex mutex;
    TQ::ProgressWatcher::Ptr watcher;
};

WatcherSlot& watcherSlot()
{
    static WatcherSlot slot;
    return slot;
}

TQ::ProgressWatcher::Ptr askApplicationForWatcher()
{
    TQ::ProgressWatcher::Ptr answer;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application)
        return answer;
    // Asked on the calling thread, whichever it is: a worker never waits for
    // the application thread, which may itself wait for the worker (a
    // script joining it).
    QMetaObject::invokeMethod(application, "progressWatcher", Qt::DirectConnection,
                              Q_RETURN_ARG(TQ::ProgressWatcher::Ptr, answer));
    return answer;
}

TQ::ProgressWatcher::Ptr makeOwnWatcher()
{
    TQ::ProgressWatcher::Ptr watcher(new TQ::ProgressWatcher);
    // Notifications from worker threads are delivered on the application thread.
    if (QCoreApplication* application = QCoreApplication::instance())
        watcher->moveToThread(application->thread());
    return watcher;
}

// --- Callbacks the media library reports through --------------------------------

void reportError(int, const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

// Scripts hear the core's progress through the process's watcher.
template <typename... Argument>
void tellWatcher(const char* signal, const Argument&... argument)
{
    if (TQ::ProgressWatcher::Ptr watcher = progressWatcher())
        PyHelpers::raiseSignal(watcher.get(), signal, argument...);
}

void reportStarted()
{
    tellWatcher("started");
}

void reportMessage(const char* text)
{
    const QString message = QString::fromUtf8(text);
    tellWatcher("progressMessage", Q_ARG(QString, message));
}

void reportStatus(unsigned int status)
{
    tellWatcher("progressStatus", Q_ARG(uint, status));
}

void reportFinished()
{
    tellWatcher("finished");
}

// --- Offscreen rendering ----------------------------------------------------------

void warnCannotCreate(const QMetaObject& what)
{
    const QString text = QStringLiteral("[Python API]: cannot create ") + QLatin1String(what.className());
    qWarning().noquote() << text;
    Bsc::Logger::writeToLog(QString::fromUtf8(text.toUtf8()), Bsc::Logger::Warning);
}

bool pairIsValid(const OffscreenRender& pair)
{
    return pair.surface && pair.surface->isValid() && pair.context && pair.context->isValid();
}

void prepareOffscreenPair()
{
    OffscreenRender& pair = render();
    if (pairIsValid(pair))
        return;
    std::shared_ptr<QOffscreenSurface> surface(new QOffscreenSurface);
    surface->create();
    if (!surface->isValid()) {
        warnCannotCreate(QOffscreenSurface::staticMetaObject);
        surface.reset();
    }
    std::shared_ptr<QOpenGLContext> context(new QOpenGLContext);
    if (!context->create()) {
        warnCannotCreate(QOpenGLContext::staticMetaObject);
        context.reset();
    }
    pair.surface = surface;
    pair.context = context;
    if (!pairIsValid(pair)) {
        pair.surface.reset();
        pair.context.reset();
    }
}

void initialiseRendering(TQ::Callbacks* callbacks)
{
    if (QCoreApplication::startingUp() || !qobject_cast<QApplication*>(QCoreApplication::instance())) {
        Dururev::initialiseCallbacks(3);
        return;
    }
    if (!Product::Settings::areFBOsDisabled())
        prepareOffscreenPair();
    Dururev::initialiseCallbacks(pairIsValid(render()) ? 1 : 0);
    callbacks->renderSuite.setOffscreenContext(render().surface, render().context);
}

} // namespace

bool isEmbedded()
{
    const wchar_t* programName = Py_GetProgramName();
    return programName && std::wcscmp(programName, L"plinx-python") == 0;
}

TQ::ProgressWatcher::Ptr progressWatcher()
{
    WatcherSlot& slot = watcherSlot();
    {
        QMutexLocker lock(&slot.mutex);
        if (slot.watcher)
            return slot.watcher;
    }
    // Asked without the lock held: the application thread may need it to answer.
    TQ::ProgressWatcher::Ptr made = isEmbedded() ? askApplicationForWatcher() : makeOwnWatcher();
    QMutexLocker lock(&slot.mutex);
    if (!slot.watcher)
        slot.watcher = made; // an empty answer leaves it empty: the next call asks again
    return slot.watcher;
}

VUVI_ProjectManager* currentProjectManager()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread())
        return nullptr;
    VUVI_ProjectManager* project = nullptr;
    if (!QMetaObject::invokeMethod(application, "currentProject", Qt::AutoConnection,
                                   Q_RETURN_ARG(VUVI_ProjectManager*, project)))
        return nullptr;
    return project;
}

OffscreenRender& render()
{
    static OffscreenRender pair;
    return pair;
}

void pyBootstrap()
{
    QMutexLocker lock(&bootstrapMutex());
    if (isEmbedded() || s_bootstrapped)
        return;

    QSettings& settings = Product::Settings::get();
    if (settings.organizationName() != QLatin1String(Product::Settings::TQL_REGISTRY_COMPANYNAME))
        settings.beginGroup(QStringLiteral("tql_plinx_project"));

    Dururev::setInitData(TQI_ImageIO_Router::InitData{QString(), false});
    TQ::Callbacks* callbacks = Dururev::callbacks();
    initialiseRendering(callbacks);

    TQ::checkCallbackStruct(callbacks);
    VUVI_ErrorDetector::init();
    Dururev::registerThrowFunction(&vThrowException);

    callbacks->progressFinished = &reportFinished;
    callbacks->progressStatus = &reportStatus;
    callbacks->progressMessage = &reportMessage;
    callbacks->progressStarted = &reportStarted;
    callbacks->error = &reportError;

    Dururev::CacheSuite::INSTANCE()->vSetCacheOption(false);
    Rirediro::FileSystem::createFileCacheFolder(false);
    Dururev::CacheSuite::INSTANCE()->vInitialiseCacheDir(Product::Settings::fileCacheFolder(5, false));
    ProcessingModules::get().resetModules();

    // The watcher that progress reaches scripts through is made here, on the
    // importing thread, before any worker can report progress.
    progressWatcher();
    s_bootstrapped = true;
}

void pyCleanup()
{
    // Calls still at work when the interpreter ends keep what they use: the
    // process ends around them.
    if (PyHelpers::callsStillRunning())
        return;
    const PyHelpers::InterpreterReleased unlocked;

    TQ::Callbacks* callbacks = Dururev::callbacks();
    if (callbacks && callbacks->initialised && callbacks->initialised(nullptr)) {
        try {
            if (std::shared_ptr<TQ::RenderSuite::RenderObject> current = callbacks->renderSuite.currentObject())
                current->finish();
            callbacks->renderSuite.shutdown();
        } catch (const std::exception& e) {
            qDebug() << "void pyCleanup()" << "std::exception caught:" << e.what();
        }
        Dururev::resetCallbacks(callbacks);
    }
    render().surface.reset();
    render().context.reset();
    {
        QMutexLocker lock(&bootstrapMutex());
        s_bootstrapped = false;
    }
}
