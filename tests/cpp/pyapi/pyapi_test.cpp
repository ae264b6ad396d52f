// The host API object as the GUI application drives it: by slot name,
// through the meta-object system, inside an application with a project.

#include "HostApplication.h"

#include "clips/ClipTestSupport.h"

#include "Python/Bootstrap.h"
#include "Python/PyAPI.h"

#include <Bsc/Logger.h>
#include <Bsc/ProxyObject.h>
#include <GUI/ViewManager.h>
#include <Rirediro/Project/ProjectProperties.h>
#include <Rirediro/Project/VUVI_FrameManager.h>

#include <sbkpython.h>

#include <QMetaMethod>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

QObject* api()
{
    return getPythonAPI();
}

QVariant swap(QAction* action, QAction* newProxy)
{
    QVariant previous;
    EXPECT_TRUE(QMetaObject::invokeMethod(api(), "swapQActionProxy", Q_RETURN_ARG(QVariant, previous),
                                          Q_ARG(QAction*, action), Q_ARG(QAction*, newProxy)));
    return previous;
}

int currentFrame()
{
    int frame = -1000;
    EXPECT_TRUE(QMetaObject::invokeMethod(api(), "currentFrame", Q_RETURN_ARG(int, frame)));
    return frame;
}

void setCurrentFrame(int frame)
{
    EXPECT_TRUE(QMetaObject::invokeMethod(api(), "setCurrentFrame", Q_ARG(int, frame)));
}

// An action that relays to a proxy, as the application sets its actions up.
void giveProxy(QAction& action, QAction& proxy)
{
    action.setProperty(Bsc::ProxyObjectProperty, QVariant::fromValue(QPointer<QAction>(&proxy)));
    QObject::connect(&action, SIGNAL(triggered()), &proxy, SIGNAL(triggered()));
    QObject::connect(&action, SIGNAL(toggled(bool)), &proxy, SIGNAL(toggled(bool)));
}

TEST(HostApi, IsOneObjectWithItsSlotsInOrder)
{
    EXPECT_EQ(getPythonAPI(), getPythonAPI());
    EXPECT_EQ(api()->parent(), nullptr);
    const QMetaObject& meta = *api()->metaObject();
    QStringList signatures;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        EXPECT_EQ(meta.method(i).methodType(), QMetaMethod::Slot);
        EXPECT_EQ(meta.method(i).access(), QMetaMethod::Private);
        signatures << QString::fromLatin1(meta.method(i).methodSignature());
    }
    EXPECT_EQ(signatures, (QStringList{"swapQActionProxy(QAction*,QAction*)", "setDisplayedClip(Clip*)",
                                  "setDisplayedView(View)", "displayedClip()", "displayedView()", "currentFrame()",
                                  "setCurrentFrame(int)"}));
    EXPECT_EQ(meta.propertyCount(), meta.propertyOffset());
    EXPECT_NE(QMetaType::type("QAction*"), int(QMetaType::UnknownType));
    EXPECT_NE(QMetaType::type("View"), int(QMetaType::UnknownType));
}

TEST(HostApi, SwappingAProxyMovesBothSignals)
{
    QAction action, first, second, third;
    action.setCheckable(true);
    giveProxy(action, first);
    QSignalSpy firstTriggered(&first, &QAction::triggered);
    QSignalSpy secondTriggered(&second, &QAction::triggered);
    QSignalSpy secondToggled(&second, &QAction::toggled);

    const QVariant previous = swap(&action, &second);
    EXPECT_EQ(previous.userType(), qMetaTypeId<QAction*>());
    EXPECT_EQ(previous.value<QAction*>(), &first);
    action.trigger();
    EXPECT_EQ(firstTriggered.count(), 0);
    EXPECT_EQ(secondTriggered.count(), 1);
    EXPECT_EQ(secondToggled.count(), 1);
    EXPECT_EQ(Bsc::proxyObject<QAction>(&action), &second);

    EXPECT_EQ(swap(&action, &third).value<QAction*>(), &second);
}

TEST(HostApi, NoProxyToSwapChangesNothing)
{
    QAction action, first, other;
    giveProxy(action, first);
    QSignalSpy firstTriggered(&first, &QAction::triggered);

    EXPECT_FALSE(swap(&action, nullptr).isValid());
    EXPECT_FALSE(swap(nullptr, &other).isValid());
    QAction bare;
    EXPECT_FALSE(swap(&bare, &other).isValid());
    QAction wrongType;
    wrongType.setProperty(Bsc::ProxyObjectProperty, QStringLiteral("first"));
    EXPECT_FALSE(swap(&wrongType, &other).isValid());
    {
        QAction gone;
        QAction orphan;
        giveProxy(orphan, gone);
        QAction* leftBehind = new QAction;
        giveProxy(*leftBehind, gone);
        delete leftBehind;
    }
    action.trigger();
    EXPECT_EQ(firstTriggered.count(), 1) << "the action still relays to its proxy";
    EXPECT_EQ(Bsc::proxyObject<QAction>(&action), &first);
}

TEST(HostApi, AGoneProxyIsNoProxy)
{
    QAction action, other;
    auto* proxy = new QAction;
    giveProxy(action, *proxy);
    delete proxy;
    EXPECT_FALSE(swap(&action, &other).isValid());
}

class HostApiWithProject : public ::testing::Test
{
protected:
    HostApiWithProject() : m_made(m_dir.path(), 1, 100) { HostApplication::get().project = &m_made.core(); }
    ~HostApiWithProject() override { HostApplication::get().project = nullptr; }

    Prm::Context now() const { return m_made.core().currentFrame(); }

    QTemporaryDir m_dir;
    cliptest::ProjectOfSequence m_made;
};

TEST_F(HostApiWithProject, ShowsClipsAndViews)
{
    QVariant shown;
    Clip* clip = &m_made.clip();
    ASSERT_TRUE(QMetaObject::invokeMethod(api(), "setDisplayedClip", Q_ARG(Clip*, clip)));
    ASSERT_TRUE(QMetaObject::invokeMethod(api(), "displayedClip", Q_RETURN_ARG(QVariant, shown)));
    EXPECT_EQ(shown.userType(), int(QMetaType::UInt));
    EXPECT_EQ(shown.toUInt(), clip->get_id());
    // A null clip shows nothing new.
    ASSERT_TRUE(QMetaObject::invokeMethod(api(), "setDisplayedClip", Q_ARG(Clip*, nullptr)));
    EXPECT_EQ(ViewManager::get().currentViewClip(), clip->get_id());

    ASSERT_TRUE(QMetaObject::invokeMethod(api(), "setDisplayedView", Q_ARG(View, View(1))));
    ASSERT_TRUE(QMetaObject::invokeMethod(api(), "displayedView", Q_RETURN_ARG(QVariant, shown)));
    EXPECT_EQ(QString::fromLatin1(shown.typeName()), QStringLiteral("View"));
    EXPECT_EQ(shown.value<View>().get_id(), 1u);
}

TEST_F(HostApiWithProject, ReadsTheCurrentFrameTruncated)
{
    VUVI_FrameManager& frames = m_made.core().frameManager();
    const std::vector<std::pair<double, int>> cases = {{12.7, 12}, {-0.5, 0}, {-3.9, -3}, {0.0, 0}, {1e12, INT_MAX}};
    for (const auto& c : cases) {
        frames.setCurrentFrame(Prm::Context(Prm::Time::fromDouble(c.first), Prm::View(0), 3));
        EXPECT_EQ(currentFrame(), c.second) << c.first;
    }
}

TEST_F(HostApiWithProject, SetsTheCurrentFrameUpToTheLastOne)
{
    m_made.project->set_views({ViewInfo(QStringLiteral("L"), QStringLiteral("L"), {}),
                               ViewInfo(QStringLiteral("R"), QStringLiteral("R"), {})});
    VUVI_FrameManager& frames = m_made.core().frameManager();
    frames.setCurrentFrame(Prm::Context(Prm::Time::fromDouble(1.0), Prm::View(1), 3));
    const std::vector<std::pair<int, double>> cases = {{150, 99.0}, {5, 5.0}, {99, 99.0}, {-7, -7.0}};
    for (const auto& c : cases) {
        setCurrentFrame(c.first);
        EXPECT_EQ(now().time.toDouble(), c.second) << c.first;
        EXPECT_EQ(now().view, Prm::View(1)) << "the view stays";
        EXPECT_EQ(now().mode, 3);
    }
}

TEST(HostApiWithoutProject, ReadsZeroAndSetsNothing)
{
    ASSERT_EQ(HostApplication::get().project, nullptr);
    Bsc::Logger::clearJournal();
    EXPECT_EQ(currentFrame(), 0);
    setCurrentFrame(5);
    EXPECT_TRUE(Bsc::Logger::journal().filter(QStringLiteral("setCurrentFrame")).isEmpty());
}

// ---- the application's project for embedded scripts ---------------------------------------

TEST(CurrentProject, OutsideTheApplicationTheApplicationIsNotAsked)
{
    const int asked = HostApplication::get().asked;
    EXPECT_EQ(getCurrentProject(), nullptr);
    EXPECT_EQ(HostApplication::get().asked, asked);
}

// The interpreter's program name says a script runs inside the application.
class Embedded
{
public:
    Embedded() { setProgramName(L"plinx-python"); }
    ~Embedded() { setProgramName(L"python3"); }

private:
    static void setProgramName(const wchar_t* name)
    {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Py_SetProgramName(name);
#pragma GCC diagnostic pop
    }
};

TEST_F(HostApiWithProject, EmbeddedScriptsGetANewWrapperEveryTime)
{
    const Embedded embedded;
    ASSERT_TRUE(isEmbedded());
    Project* first = getCurrentProject();
    Project* second = getCurrentProject();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_TRUE(*first == *second);
    EXPECT_TRUE(*first == *m_made.project);
    EXPECT_EQ(first->parent(), &m_made.core());
    EXPECT_EQ(first->get_clips().value(QStringLiteral("Plate"))->get_id(), m_made.clip().get_id());

    // The wrappers go with the core project; the core project stays theirs.
    QPointer<Project> watched(first);
    delete second;
    EXPECT_EQ(m_made.project->get_length(), 100u);
    HostApplication::get().project = nullptr;
    EXPECT_EQ(getCurrentProject(), nullptr);
    m_made.project.reset();
    EXPECT_TRUE(watched.isNull());
}

} // namespace
