#pragma once

// An embedded interpreter and small helpers for the tests of the image
// bridge: images with recording hooks, Python snippets run against a
// namespace, and a core project whose life a test controls.

#include "RecordingHooks.h"
#include "../support/PyRef.h"
#include "../support/PythonNamespace.h"

#include "Project/wrappers/ImageData.h"
#include "Project/wrappers/ImageLocation.h"
#include "Project/wrappers/PyArrayObject.h"

#include <Bsc/Logger.h>
#include <Rirediro/Project/ManagerSuite.h>
#include <Rirediro/Project/VUVI_ProjectManager.h>
#include <TQ/BaseClipInfo.h>
#include <TQ/ClipInfo.h>

#include <QStringList>

#include <gtest/gtest.h>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace BridgeTest {

class Interpreter : public ::testing::Environment
{
public:
    void SetUp() override { Py_InitializeEx(0); }
};

// A module-like namespace for snippets, with the names tests hand in and
// results read back as Python values.
class Namespace : public PythonNamespace
{
public:
    void set(const char* name, PyObject* value) { PyDict_SetItemString(dict(), name, value); }
    // Steals `value`.
    void give(const char* name, PyObject* value)
    {
        set(name, value);
        Py_XDECREF(value);
    }
    PyRef eval(const std::string& expression) const
    {
        PyRef result(PyRun_String(expression.c_str(), Py_eval_input, dict(), dict()));
        if (!result) {
            PyErr_Print();
            ADD_FAILURE() << "Python failed: " << expression;
        }
        return result;
    }
    long evalLong(const std::string& expression) const
    {
        PyRef result = eval(expression);
        return result ? PyLong_AsLong(result.get()) : -1;
    }
    bool evalTrue(const std::string& expression) const
    {
        PyRef result = eval(expression);
        return result && PyObject_IsTrue(result.get()) == 1;
    }
};

// The bytes an object exports, read here rather than by the interpreter, so
// that a sanitizer sees the reads (the interpreter itself is not
// instrumented).
inline std::vector<unsigned char> exportedBytes(PyObject* object)
{
    Py_buffer view;
    if (PyObject_GetBuffer(object, &view, PyBUF_CONTIG_RO) < 0) {
        PyErr_Print();
        ADD_FAILURE() << "no buffer";
        return {};
    }
    std::vector<unsigned char> bytes(size_t(view.len));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<const unsigned char*>(view.buf)[i];
    PyBuffer_Release(&view);
    return bytes;
}

// A new image of the image library whose own hooks record their calls.
inline Bsc::detail::GanImage_Ptr<Gan_Image> recordedImage(Gan_Type type, unsigned long height, unsigned long width,
                                                         Gan_ImageFormat format = GAN_GREY_LEVEL_IMAGE)
{
    return Bsc::detail::GanImage_Ptr<Gan_Image>(RecordingHooks::allocate(format, type, height, width));
}

// Bytes 0, 1, 2, ... (modulo 256) in the image's pixels.
inline void numberBytes(Gan_Image* image)
{
    auto* bytes = static_cast<unsigned char*>(image->pix_data_ptr);
    for (size_t i = 0; i < image->pix_data_size; ++i)
        bytes[i] = static_cast<unsigned char>(i);
}

// A core project with one clip (id 1) of 100 frames of footage it never
// reads, in one view (0).
inline boost::shared_ptr<VUVI_ProjectManager> coreProject()
{
    TQ_BaseClipInfo baseInfo;
    baseInfo.setFrameWidth(4);
    baseInfo.setFrameHeight(2);
    TQ_ClipInfo clipInfo;
    clipInfo.setLength(100, Prm::View::INVALID);
    return VUVI_ProjectManager::createWithExistingClip(baseInfo, clipInfo, QString(), nullptr,
                                                       Rirediro::ManagerSuite(), false);
}

// A frame in project view 1, which the clip reads from its view 0.
inline ImageLocation frameOf(const boost::shared_ptr<VUVI_ProjectManager>& project, quint32 clipId, double time)
{
    return ImageLocation(boost::weak_ptr<VUVI_ProjectManager>(project), clipId,
                         Prm::Context(Prm::Time::fromDouble(time), Prm::View(1), 3));
}

// The calls that changed images made on the core's frame and cache managers
// since the last time asked, as the application log records them (without
// "call ").
inline QStringList coreImageCalls()
{
    QStringList calls;
    for (const QString& line : Bsc::Logger::journal()) {
        const int at = line.indexOf(QStringLiteral("call VUVI_"));
        if (at >= 0 && (line.contains(QStringLiteral("vSetImageHasChanged"))
                        || line.contains(QStringLiteral("dropFileCache"))))
            calls << line.mid(at + 5);
    }
    Bsc::Logger::clearJournal();
    return calls;
}

} // namespace BridgeTest
