// The exception translation of the Python modules, driven inside an
// interpreter: each exception class must reach Python as its own class.

#include "shiboken/binding/Functions.h"
#include "Project/wrappers/PyExceptions.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>

namespace {

class DerivedBadState : public VUVI_BadState
{
public:
    using VUVI_BadState::VUVI_BadState;
};

class Interpreter : public ::testing::Environment
{
public:
    void SetUp() override { Py_InitializeEx(0); }
};
const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

struct PendingError
{
    PyObject* type = nullptr;
    std::string text;
};

PendingError takeError()
{
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PendingError error;
    error.type = type;
    if (value) {
        PyObject* text = PyObject_Str(value);
        error.text = PyUnicode_AsUTF8(text);
        Py_DECREF(text);
    }
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    Py_XDECREF(type);
    return error;
}

template <typename T>
std::function<void()> throwing(const char* text)
{
    return [text] { Rirediro::throwException<T>("file", 1, text, text); };
}

struct Row
{
    const char* name;
    std::function<void()> thrower;
    PyObject* expected;
    const char* text;
};

TEST(ExceptionTranslation, EachClassByItsExactName)
{
    const Row rows[] = {
        {"BadState", throwing<VUVI_BadState>("Invalid object"), PyExc_RuntimeError, "Invalid object"},
        {"OutOfRange", throwing<VUVI_OutOfRange>("range"), PyExc_IndexError, "range"},
        {"BadFile", throwing<VUVI_BadFile>("no file"), PyExc_OSError, "no file"},
        {"OperationFailed", throwing<VUVI_OperationFailed>("failed"), PyExc_RuntimeError, "failed"},
        {"NotImplemented", throwing<VUVI_NotImplemented>("later"), PyExc_NotImplementedError, "later"},
        {"AssertionFailed", throwing<VUVI_AssertionFailed>("a < b"), PyExc_AssertionError, "a < b"},
        {"Cancelled", throwing<VUVI_OperationCancelledByUser>("stop"), PyExc_KeyboardInterrupt, "stop"},
        {"BadAlloc", throwing<VUVI_BadAlloc>("memory"), PyExc_MemoryError, "memory"},
        {"BadSize", throwing<VUVI_BadSize>("size"), PyExc_BufferError, "size"},
        {"BadArgument", throwing<VUVI_BadArgument>("argument"), PyExc_ValueError, "argument"},
        {"Unexpected", throwing<VUVI_UnexpectedException>("odd"), PyExc_RuntimeError, "odd"},
        {"Gandalf", throwing<VUVI_GandalfError>("image"), PyExc_RuntimeError, "image"},
        {"External", throwing<VUVI_ExternalException>("outside"), PyExc_OSError, "outside"},
        {"InProgress", throwing<VUVI_OperationInProgress>("busy"), PyExc_RuntimeError, "busy"},
        {"Base", throwing<VUVI_Exception>("base"), PyExc_Exception, "base"},
        {"PyTypeError", [] { throw PyExceptions::PyTypeError("not a tool"); }, PyExc_TypeError, "not a tool"},
        // No search through base classes: an unlisted subclass is a RuntimeError.
        {"Derived", throwing<DerivedBadState>("derived"), PyExc_RuntimeError, "derived"},
        {"std", [] { throw std::runtime_error("from the core"); }, PyExc_RuntimeError, "from the core"},
        {"utf8", throwing<VUVI_BadArgument>("Caf\xc3\xa9"), PyExc_ValueError, "Caf\xc3\xa9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            row.thrower();
            FAIL() << "nothing thrown";
        } catch (const std::exception& e) {
            Binding::translateException(e);
        }
        const PendingError error = takeError();
        EXPECT_EQ(error.type, row.expected);
        EXPECT_EQ(error.text, row.text);
    }
}

TEST(ExceptionTranslation, CallsRouteExceptionsAndRestoreTheLock)
{
    const Binding::Module module{"plinx.test", nullptr, nullptr, &Binding::translateException};

    EXPECT_FALSE(Binding::detail::callWithoutLock(module, [] { throw 42; }));
    ASSERT_TRUE(PyGILState_Check());
    PendingError error = takeError();
    EXPECT_EQ(error.type, PyExc_RuntimeError);
    EXPECT_EQ(error.text, "Unknown error");

    EXPECT_FALSE(Binding::detail::callWithoutLock(module, throwing<VUVI_OutOfRange>("out")));
    ASSERT_TRUE(PyGILState_Check());
    error = takeError();
    EXPECT_EQ(error.type, PyExc_IndexError);

    bool ranUnlocked = false;
    EXPECT_TRUE(Binding::detail::callWithoutLock(module, [&] { ranUnlocked = !PyGILState_Check(); }));
    EXPECT_TRUE(ranUnlocked);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST(ExceptionTranslation, OutOfMemoryFromAnyCallIsAMemoryError)
{
    const Binding::Module module{"plinx.test", nullptr, nullptr, &Binding::translateException};
    const std::function<void()> throwers[] = {
        [] { throw std::bad_alloc(); },
        [] { throw std::bad_array_new_length(); },
    };
    for (const auto& thrower : throwers) {
        EXPECT_FALSE(Binding::detail::callWithoutLock(module, thrower));
        EXPECT_EQ(takeError().type, PyExc_MemoryError);
        EXPECT_FALSE(Binding::detail::callWithLock(module, thrower));
        EXPECT_EQ(takeError().type, PyExc_MemoryError);
    }
}

} // namespace
