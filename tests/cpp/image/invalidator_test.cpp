// Writes through a pixel array tell the core which frame changed: one event
// per batch of writes, one request per frame, nothing for a project that died
// meanwhile or for a place that names no frame. The core's frame and cache
// managers record what they were asked in the application log.

#include "BridgeTestSupport.h"

#include "Project/wrappers/CacheInvalidator.h"
#include "Project/wrappers/ImageIOGlue.h"

#include <QCoreApplication>
#include <QThread>

#include <limits>

namespace {

using namespace BridgeTest;
using PyImageMemorySuite::CacheInvalidator;

const auto* const interpreter = ::testing::AddGlobalTestEnvironment(new Interpreter);

class EventCounter : public QObject
{
public:
    int changeEvents = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == CacheInvalidator::ChangeEvent)
            ++changeEvents;
        return false;
    }
};

class InvalidatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Bsc::Logger::clearJournal();
        CacheInvalidator::instance().installEventFilter(&counter);
    }
    void TearDown() override { CacheInvalidator::instance().removeEventFilter(&counter); }

    // What the core was asked since the last call, after the event loop's turn.
    static QStringList deliver()
    {
        QCoreApplication::sendPostedEvents();
        return coreImageCalls();
    }

    static void expose(ImageData& image, Namespace& names, const char* name = "a")
    {
        PyRef reference(GlueHelpers::ImageIO::getPixelBuffer(&image));
        names.give(name, PyObject_CallNoArgs(reference.get()));
    }

    EventCounter counter;
};

TEST_F(InvalidatorTest, AThousandWritesPostOneEventAndOneRequest)
{
    auto project = coreProject();
    ImageData image(recordedImage(GAN_UCHAR, 4, 8), frameOf(project, 1, 12.0));
    Namespace names;
    expose(image, names);
    ASSERT_TRUE(names.run("for i in range(1000):\n    a[i % len(a)] = i % 256\n"));
    EXPECT_EQ(static_cast<unsigned char*>(image.image()->pix_data_ptr)[31], 999 % 256 - 8);

    // The frame manager hears of the project's frame; the file cache is
    // dropped at the clip's own view of it.
    EXPECT_EQ(deliver(), (QStringList{"VUVI_FrameManager::vSetImageHasChanged 1 12 1",
                                      "VUVI_CacheManager::dropFileCache 1 12 0"}));
    EXPECT_EQ(counter.changeEvents, 1);

    // The next write starts the next batch.
    names.run("a[0] = 1");
    EXPECT_EQ(deliver().size(), 2);
    EXPECT_EQ(counter.changeEvents, 2);
}

TEST_F(InvalidatorTest, AClipTheProjectLacksHasNoFileCacheToDrop)
{
    auto project = coreProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 7, 3.0));
    Namespace names;
    expose(image, names);
    names.run("a[0] = 1");
    EXPECT_EQ(deliver(), QStringList{"VUVI_FrameManager::vSetImageHasChanged 7 3 1"});
}

TEST_F(InvalidatorTest, OneBatchAsksOncePerFrameIncludingSetPixels)
{
    auto project = coreProject();
    ImageData first(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 1, 1.0));
    ImageData second(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 1, 2.0));
    Namespace names;
    expose(first, names, "a");
    expose(second, names, "b");
    names.run("import array\na[0] = 1\nb[0] = 1\na[1] = 1");
    PyRef replacement = names.eval("array.array('B', bytes(4))");
    GlueHelpers::ImageIO::setPixelBuffer(&first, replacement.get());

    EXPECT_EQ(deliver(), (QStringList{"VUVI_FrameManager::vSetImageHasChanged 1 1 1",
                                      "VUVI_CacheManager::dropFileCache 1 1 0",
                                      "VUVI_FrameManager::vSetImageHasChanged 1 2 1",
                                      "VUVI_CacheManager::dropFileCache 1 2 0"}));
    EXPECT_EQ(counter.changeEvents, 1);
}

TEST_F(InvalidatorTest, AChangeForAProjectThatDiedMeanwhileIsDropped)
{
    auto project = coreProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 1, 1.0));
    // Named by its pointer alone, as Clip.image names it.
    ImageData named(recordedImage(GAN_UCHAR, 2, 2),
                    ImageLocation(project.get(), 1, Prm::Context(Prm::Time::fromDouble(2.0), Prm::View(0), 3)));
    Namespace names;
    expose(image, names);
    expose(named, names, "b");
    names.run("a[0] = 1\nb[0] = 1");
    project.reset();
    EXPECT_TRUE(deliver().isEmpty());
    EXPECT_EQ(counter.changeEvents, 1);
}

TEST_F(InvalidatorTest, OnlyAPlaceThatNamesAFrameIsReported)
{
    auto project = coreProject();
    const Prm::Context frame(Prm::Time::fromDouble(2.7), Prm::View(1), 3);
    const boost::weak_ptr<VUVI_ProjectManager> weak(project);
    struct Case
    {
        const char* what;
        ImageLocation location;
        bool namesFrame;
        bool reported;
    };
    const Case cases[] = {
        {"nothing", ImageLocation(), false, false},
        {"clip 0", ImageLocation(weak, 0, frame), false, false},
        {"negative time", ImageLocation(weak, 1, Prm::Context(Prm::Time::fromDouble(-1.0), Prm::View(1), 3)), false,
         false},
        {"invalid time", ImageLocation(weak, 1, Prm::Context(Prm::Time(), Prm::View(1), 3)), false, false},
        {"time beyond 32 bits", ImageLocation(weak, 1, Prm::Context(Prm::Time::fromDouble(4294967296.0), Prm::View(1), 3)),
         false, false},
        {"not a number", ImageLocation(weak, 1, Prm::Context(Prm::Time::fromDouble(std::numeric_limits<double>::quiet_NaN()), Prm::View(1), 3)),
         false, false},
        // A plain pointer is watched through the project's own weak reference.
        {"pointer", ImageLocation(project.get(), 1, frame), true, true},
        {"frame 2", ImageLocation(weak, 1, frame), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        counter.changeEvents = 0;
        EXPECT_EQ(bool(c.location), c.namesFrame);
        ImageData image(recordedImage(GAN_UCHAR, 2, 2), c.location);
        Namespace names;
        expose(image, names);
        names.run("a[0] = 1");
        EXPECT_EQ(deliver().size(), c.reported ? 2 : 0);
        EXPECT_EQ(counter.changeEvents, c.reported ? 1 : 0);
    }
}

TEST_F(InvalidatorTest, DerivedArraysMarkNothingAndWrappersNeverNest)
{
    auto project = coreProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 4), frameOf(project, 1, 1.0));
    numberBytes(image.image());
    Namespace names;
    expose(image, names);
    names.run("import copy\ns = a[0:4]\ns[0] = 9\nc = copy.copy(a)\nc[1] = 9");
    EXPECT_TRUE(deliver().isEmpty());
    EXPECT_EQ(static_cast<unsigned char*>(image.image()->pix_data_ptr)[0], 0);

    // The same image wrapped again keeps its array and its one writer.
    auto* array = reinterpret_cast<arrayobject*>(PyDict_GetItemString(names.dict(), "a"));
    const arraydescr* writer = array->ob_descr;
    ImageData again(Bsc::detail::GanImage_Ptr<Gan_Image>(image.image()), frameOf(project, 1, 1.0));
    expose(again, names, "b");
    EXPECT_TRUE(names.evalTrue("a is b"));
    EXPECT_EQ(array->ob_descr, writer);
    EXPECT_EQ(reinterpret_cast<arrayobject*>(PyDict_GetItemString(names.dict(), "s"))->ob_descr, writer);
    names.run("b[0] = 1");
    EXPECT_EQ(deliver().size(), 2);
    EXPECT_EQ(counter.changeEvents, 1);
}

// Without the fixture, whose set-up would make the invalidator here first.
TEST(CacheInvalidatorThread, TheInvalidatorLivesOnTheApplicationThreadWhoeverUsesItFirst)
{
    Bsc::Logger::clearJournal();
    auto project = coreProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 1, 1.0));
    Namespace names;
    PyRef reference(GlueHelpers::ImageIO::getPixelBuffer(&image));
    names.give("a", PyObject_CallNoArgs(reference.get()));
    PyThreadState* state = PyEval_SaveThread();
    QThread* worker = QThread::create([&names] {
        PyGILState_STATE held = PyGILState_Ensure();
        names.run("a[0] = 1");
        PyGILState_Release(held);
    });
    worker->start();
    worker->wait();
    delete worker;
    PyEval_RestoreThread(state);
    EXPECT_EQ(CacheInvalidator::instance().thread(), QCoreApplication::instance()->thread());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(coreImageCalls().size(), 2);
}

} // namespace
