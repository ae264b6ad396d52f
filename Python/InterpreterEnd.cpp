#include "InterpreterEnd.h"

#include "PyHelpers.h"

#include <Bsc/AtFork.h>

#include <sbkpython.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <thread>

#include <unistd.h>

namespace PyHelpers {

namespace {

// How long the ending thread waits for the calls: a frame or a save takes
// well under it.
constexpr std::chrono::seconds s_callsGrace(5);

std::atomic<bool> s_ending{false};
std::atomic<std::thread::id> s_endingThread{};
// Interpreter locks given away by calls and not taken back, and those of
// them whose threads are parked for good.
std::atomic<int> s_released{0};
std::atomic<int> s_parked{0};
thread_local int t_released = 0;

bool endingForThisThread()
{
    return s_ending.load(std::memory_order_acquire)
           && s_endingThread.load(std::memory_order_relaxed) != std::this_thread::get_id();
}

// Set in the child of a fork, which lacks the threads of the libraries'
// pools (the codecs', the logging library's): their teardown would join
// threads that are not there.
bool s_forkedChild = false;

// Ends the process with the status exit was given, skipping the static
// destructors registered before it: in the child of a fork, or while a
// call is still at work.
void endWithoutTeardown(int status, void*)
{
    if (!s_forkedChild && !callsStillRunning())
        return;
    std::fflush(nullptr);
    _exit(status);
}

// The child of a fork has only the forking thread.
void forgetOtherThreads()
{
    s_released.store(t_released, std::memory_order_relaxed);
    s_parked.store(0, std::memory_order_relaxed);
    s_forkedChild = true;
    // Registered now, it runs before every destructor registered in the parent.
    on_exit(&endWithoutTeardown, nullptr);
}
const bool s_forgetsThreadsInChild = Bsc::onFork(nullptr, nullptr, &forgetOtherThreads);

PyObject* endCalls(PyObject*, PyObject*)
{
    s_endingThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    s_ending.store(true, std::memory_order_release);
    // Registered now, it runs before the destructors registered so far.
    static const bool watchingExit = on_exit(&endWithoutTeardown, nullptr) == 0;
    (void)watchingExit;
    if (!callsStillRunning())
        Py_RETURN_NONE;
    PyThreadState* saved = PyEval_SaveThread();
    const auto giveUp = std::chrono::steady_clock::now() + s_callsGrace;
    while (callsStillRunning() && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    PyEval_RestoreThread(saved);
    Py_RETURN_NONE;
}

PyMethodDef s_endCalls = {"end_calls_at_interpreter_end", &endCalls, METH_NOARGS, nullptr};

} // namespace

bool callsStillRunning()
{
    return s_released.load(std::memory_order_acquire) > s_parked.load(std::memory_order_acquire);
}

void stopIfEnding()
{
    if (endingForThisThread())
        parkForGood();
}

void parkForGood()
{
    detail::leaveCoreForGood();
    // A thread that runs Python from the core may stop while it holds the
    // interpreter lock; the ending thread needs it.
    if (Py_IsInitialized() && PyGILState_Check())
        PyEval_SaveThread();
    s_parked.fetch_add(t_released, std::memory_order_acq_rel);
    // Signals go to the threads that run.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    for (;;)
        pause();
}

_ts* releaseInterpreter()
{
    ++t_released;
    s_released.fetch_add(1, std::memory_order_acq_rel);
    return PyEval_SaveThread();
}

void restoreInterpreter(_ts* saved)
{
    stopIfEnding();
    try {
        PyEval_RestoreThread(saved);
    } catch (abi::__forced_unwind&) {
        parkForGood();
    }
    --t_released;
    s_released.fetch_sub(1, std::memory_order_acq_rel);
    detail::raisePutOffInterrupt();
}

int ensureInterpreter()
{
    stopIfEnding();
    return ensureInterpreterToFinish();
}

int ensureInterpreterToFinish()
{
    try {
        return int(PyGILState_Ensure());
    } catch (abi::__forced_unwind&) {
        parkForGood();
    }
}

void watchInterpreterEndForCalls()
{
    static bool registered = false; // under the interpreter lock
    if (registered)
        return;
    PyObject* atexit = PyImport_ImportModule("atexit");
    PyObject* end = atexit ? PyCFunction_New(&s_endCalls, nullptr) : nullptr;
    PyObject* done = end ? PyObject_CallMethod(atexit, "register", "O", end) : nullptr;
    registered = done != nullptr;
    if (!done)
        PyErr_Clear();
    Py_XDECREF(done);
    Py_XDECREF(end);
    Py_XDECREF(atexit);
}

} // namespace PyHelpers
