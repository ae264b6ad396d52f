// A project clip's frames in Python: the array shows the image the project
// keeps (no copy), a write through it reaches the project's frame and cache
// managers and keeps the changed frame, and frame images freed off the
// application thread leave what Python holds readable.

#include "BridgeTestSupport.h"

#include "../clips/ClipTestSupport.h"

#include "Project/wrappers/CacheInvalidator.h"
#include "Project/wrappers/ImageIOGlue.h"

#include <Rirediro/Project/VUVI_FrameManager.h>

#include <QCoreApplication>
#include <QThread>

#include <functional>

namespace {

using namespace BridgeTest;

const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

class FrameBridgeTest : public ::testing::Test
{
protected:
    void SetUp() override { Bsc::Logger::clearJournal(); }

    // Names the frame's array `name` in `names`, and its weak reference `name`_ref.
    static void expose(ImageData& image, Namespace& names, const std::string& name)
    {
        names.give((name + "_ref").c_str(), GlueHelpers::ImageIO::getPixelBuffer(&image));
        names.run(name + " = " + name + "_ref()");
    }

    // Runs `work` on a thread of its own while this one gives up the
    // interpreter lock.
    static void onWorker(const std::function<void()>& work)
    {
        PyThreadState* state = PyEval_SaveThread();
        QThread* worker = QThread::create(work);
        worker->start();
        worker->wait();
        delete worker;
        PyEval_RestoreThread(state);
    }

    QTemporaryDir m_dir;
    cliptest::ProjectOfSequence m_made{QDir(m_dir.path()).filePath("seq"), 1, 3};
};

TEST_F(FrameBridgeTest, APythonArrayShowsTheFrameTheProjectKeeps)
{
    Clip& clip = m_made.clip();
    ImageData first = clip.image(1);
    ImageData second = clip.image(1);
    Namespace names;
    expose(first, names, "a");
    expose(second, names, "b");

    // One image, one array over its very pixels.
    EXPECT_TRUE(names.evalTrue("a is b"));
    const auto* array = reinterpret_cast<arrayobject*>(PyDict_GetItemString(names.dict(), "a"));
    EXPECT_EQ(static_cast<void*>(array->ob_item), first.image()->pix_data_ptr);
    EXPECT_EQ(names.evalLong("a[0]"), footage::redOf(2));

    // A write tells the project which frame changed, and the project keeps it.
    names.run("a[0] = 3");
    QCoreApplication::sendPostedEvents();
    const QString id = QString::number(clip.get_id());
    EXPECT_EQ(coreImageCalls(), (QStringList{"VUVI_FrameManager::vSetImageHasChanged " + id + " 1 0",
                                             "VUVI_CacheManager::dropFileCache " + id + " 1 0"}));
    m_made.core().frameManager().setImageCacheBudget(0);
    clip.image(0);
    clip.image(2);
    EXPECT_EQ(clip.image(1), first);
    EXPECT_EQ(static_cast<unsigned char*>(clip.image(1).image()->pix_data_ptr)[0], 3);
}

TEST_F(FrameBridgeTest, FrameImagesFreedOffTheApplicationThreadLeaveWhatPythonHolds)
{
    struct Case
    {
        const char* what;
        bool projectDiesOnWorker; // else the last ImageData goes there, after the project
        bool pythonHoldsTheArray;
    };
    const Case cases[] = {
        {"project on a worker, array held", true, true},
        {"project on a worker, array not held", true, false},
        {"image on a worker, array held", false, true},
        {"image on a worker, array not held", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        cliptest::ProjectOfSequence made(QDir(m_dir.path()).filePath(c.what), 1, 2);
        auto image = std::make_unique<ImageData>(made.clip().image(1));
        Namespace names;
        expose(*image, names, "a");
        if (!c.pythonHoldsTheArray)
            names.run("del a");

        boost::shared_ptr<VUVI_ProjectManager> core = made.project->projectManager();
        made.project.reset();
        if (c.projectDiesOnWorker) {
            image.reset();
            onWorker([&core] { core.reset(); });
        } else {
            core.reset();
            onWorker([&image] { image.reset(); });
        }

        if (c.pythonHoldsTheArray) {
            const std::vector<unsigned char> bytes = exportedBytes(PyDict_GetItemString(names.dict(), "a"));
            ASSERT_EQ(bytes.size(), std::size_t(footage::Width * footage::Height * 3));
            EXPECT_EQ(bytes[0], footage::redOf(2));
            EXPECT_EQ(bytes[1], 100);
            names.run("del a");
        }
        EXPECT_TRUE(names.evalTrue("a_ref() is None"));
    }
}

} // namespace
