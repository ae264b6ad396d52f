// Writes through a pixel array tell the core which frame changed: one event
// per batch of writes, one request per frame, nothing for a project that died
// meanwhile or for a place that names no frame.

#include "BridgeTestSupport.h"

#include "Project/wrappers/CacheInvalidator.h"
#include "Project/wrappers/FrameInvalidation.h"
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
        PyImageMemorySuite::clearRecordedFrameInvalidations();
        CacheInvalidator::instance().installEventFilter(&counter);
    }
    void TearDown() override { CacheInvalidator::instance().removeEventFilter(&counter); }

    // What the core was asked since the last call, after the event loop's turn.
    QVector<PyImageMemorySuite::FrameInvalidation> deliver()
    {
        QCoreApplication::sendPostedEvents();
        auto requests = PyImageMemorySuite::recordedFrameInvalidations();
        PyImageMemorySuite::clearRecordedFrameInvalidations();
        return requests;
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
    auto project = fakeProject();
    ImageData image(recordedImage(GAN_UCHAR, 4, 8), frameOf(project, 7, 12.0));
    Namespace names;
    expose(image, names);
    ASSERT_TRUE(names.run("for i in range(1000):\n    a[i % len(a)] = i % 256\n"));
    EXPECT_EQ(static_cast<unsigned char*>(image.image()->pix_data_ptr)[31], 999 % 256 - 8);

    const auto requests = deliver();
    EXPECT_EQ(counter.changeEvents, 1);
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].project, project.get());
    EXPECT_EQ(requests[0].clipId, 7u);
    EXPECT_EQ(requests[0].context, Prm::Context(Prm::Time::fromDouble(12.0), Prm::View(1), 3));

    // The next write starts the next batch.
    names.run("a[0] = 1");
    EXPECT_EQ(deliver().size(), 1);
    EXPECT_EQ(counter.changeEvents, 2);
}

TEST_F(InvalidatorTest, OneBatchAsksOncePerFrameIncludingSetPixels)
{
    auto project = fakeProject();
    ImageData first(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 3, 1.0));
    ImageData second(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 3, 2.0));
    Namespace names;
    expose(first, names, "a");
    expose(second, names, "b");
    names.run("import array\na[0] = 1\nb[0] = 1\na[1] = 1");
    PyRef replacement = names.eval("array.array('B', bytes(4))");
    GlueHelpers::ImageIO::setPixelBuffer(&first, replacement.get());

    const auto requests = deliver();
    EXPECT_EQ(counter.changeEvents, 1);
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].context.time.toDouble(), 1.0);
    EXPECT_EQ(requests[1].context.time.toDouble(), 2.0);
}

TEST_F(InvalidatorTest, AChangeForAProjectThatDiedMeanwhileIsDropped)
{
    auto project = fakeProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 3, 1.0));
    Namespace names;
    expose(image, names);
    names.run("a[0] = 1");
    project.reset();
    EXPECT_TRUE(deliver().isEmpty());
    EXPECT_EQ(counter.changeEvents, 1);
}

TEST_F(InvalidatorTest, OnlyAPlaceThatNamesAFrameIsReported)
{
    auto project = fakeProject();
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
        {"negative time", ImageLocation(weak, 3, Prm::Context(Prm::Time::fromDouble(-1.0), Prm::View(1), 3)), false,
         false},
        {"invalid time", ImageLocation(weak, 3, Prm::Context(Prm::Time(), Prm::View(1), 3)), false, false},
        {"time beyond 32 bits", ImageLocation(weak, 3, Prm::Context(Prm::Time::fromDouble(4294967296.0), Prm::View(1), 3)),
         false, false},
        {"not a number", ImageLocation(weak, 3, Prm::Context(Prm::Time::fromDouble(std::numeric_limits<double>::quiet_NaN()), Prm::View(1), 3)),
         false, false},
        // A plain pointer cannot tell when its project dies: named, never reported.
        {"pointer only", ImageLocation(project.get(), 3, frame), true, false},
        {"frame 2", ImageLocation(weak, 3, frame), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        counter.changeEvents = 0;
        EXPECT_EQ(bool(c.location), c.namesFrame);
        ImageData image(recordedImage(GAN_UCHAR, 2, 2), c.location);
        Namespace names;
        expose(image, names);
        names.run("a[0] = 1");
        EXPECT_EQ(deliver().size(), c.reported ? 1 : 0);
        EXPECT_EQ(counter.changeEvents, c.reported ? 1 : 0);
    }
}

TEST_F(InvalidatorTest, DerivedArraysMarkNothingAndWrappersNeverNest)
{
    auto project = fakeProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 4), frameOf(project, 3, 1.0));
    numberBytes(image.image());
    Namespace names;
    expose(image, names);
    names.run("import copy\ns = a[0:4]\ns[0] = 9\nc = copy.copy(a)\nc[1] = 9");
    EXPECT_TRUE(deliver().isEmpty());
    EXPECT_EQ(static_cast<unsigned char*>(image.image()->pix_data_ptr)[0], 0);

    // The same image wrapped again keeps its array and its one writer.
    auto* array = reinterpret_cast<arrayobject*>(PyDict_GetItemString(names.dict(), "a"));
    const arraydescr* writer = array->ob_descr;
    ImageData again(Bsc::detail::GanImage_Ptr<Gan_Image>(image.image()), frameOf(project, 3, 1.0));
    expose(again, names, "b");
    EXPECT_TRUE(names.evalTrue("a is b"));
    EXPECT_EQ(array->ob_descr, writer);
    EXPECT_EQ(reinterpret_cast<arrayobject*>(PyDict_GetItemString(names.dict(), "s"))->ob_descr, writer);
    names.run("b[0] = 1");
    EXPECT_EQ(deliver().size(), 1);
    EXPECT_EQ(counter.changeEvents, 1);
}

// Without the fixture, whose set-up would make the invalidator here first.
TEST(CacheInvalidatorThread, TheInvalidatorLivesOnTheApplicationThreadWhoeverUsesItFirst)
{
    PyImageMemorySuite::clearRecordedFrameInvalidations();
    auto project = fakeProject();
    ImageData image(recordedImage(GAN_UCHAR, 2, 2), frameOf(project, 3, 1.0));
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
    EXPECT_EQ(PyImageMemorySuite::recordedFrameInvalidations().size(), 1);
}

} // namespace
