// The factories, modal state, fixed answers and settings of the two host classes.
#include "host/HostTestSupport.h"

#include <Rirediro/ErrorHandling/VUVI_CoreErrors.h>

#include <set>

namespace {

using GUI::QuarnDialogHost;
using GUI::QuarnGuiHost;
using hosttest::HostFixture;
using hosttest::hostCalls;
using hosttest::lines;

using HostFactories = HostFixture;

TEST_F(HostFactories, EachClassServesItsOwnCallModesOnly)
{
    const std::set<int> dialogModes{3, 4, 6, 8, 17};
    const std::set<int> guiModes{0, 2};
    for (int mode = 0; mode <= 18; ++mode) {
        SCOPED_TRACE(mode);
        m_mxi.setCallMode(mode);

        m_mxi.clearQuestions();
        const boost::shared_ptr<QuarnDialogHost> dialog = QuarnDialogHost::create(&m_application, m_mxi, m_callbacks);
        EXPECT_EQ(bool(dialog), dialogModes.count(mode) == 1);
        if (!dialog) {
            EXPECT_EQ(lines(m_mxi.questions()), "callMode") << "a refused mode constructs nothing";
        }

        m_mxi.clearQuestions();
        const boost::shared_ptr<QuarnGuiHost> gui = QuarnGuiHost::create(&m_application, m_mxi, m_callbacks);
        EXPECT_EQ(bool(gui), guiModes.count(mode) == 1);
        if (!gui) {
            EXPECT_EQ(lines(m_mxi.questions()), "callMode");
        }

        for (const Rirediro::QuarnHost* host : {static_cast<Rirediro::QuarnHost*>(dialog.get()),
                                                static_cast<Rirediro::QuarnHost*>(gui.get())})
            if (host) {
                EXPECT_TRUE(host->isModal());
                EXPECT_TRUE(m_mxi.isModal());
                EXPECT_EQ(host->callMode(), mode);
            }
    }
    EXPECT_EQ(QuarnDialogHost::create(&m_application, m_mxi, m_callbacks), nullptr) << "mode 18";
}

TEST_F(HostFactories, NegativeAndWideModesAreRefused)
{
    for (int mode : {-1, 31, 32, 49, 1 << 30}) {
        SCOPED_TRACE(mode);
        m_mxi.setCallMode(mode);
        EXPECT_FALSE(QuarnDialogHost::create(&m_application, m_mxi, m_callbacks));
        EXPECT_FALSE(QuarnGuiHost::create(&m_application, m_mxi, m_callbacks));
    }
}

// Construction enters modal mode; destruction leaves it, then the base goes.
template <typename Host>
class HostLifetime : public HostFixture
{
};
using HostClasses = ::testing::Types<QuarnDialogHost, QuarnGuiHost>;
TYPED_TEST_SUITE(HostLifetime, HostClasses);

TYPED_TEST(HostLifetime, ModalFromConstructionToDestruction)
{
    {
        const boost::shared_ptr<TypeParam> host = this->template makeHost<TypeParam>();
        EXPECT_EQ(host->application(), &this->m_application);
        EXPECT_TRUE(this->m_mxi.isModal());
        EXPECT_EQ(lines(hostCalls()), "Rirediro::QuarnHost::enterModal");
        Bsc::Logger::clearJournal();
    }
    EXPECT_FALSE(this->m_mxi.isModal());
    EXPECT_EQ(hostCalls().mid(hostCalls().size() - 2),
              QStringList({QStringLiteral("Rirediro::QuarnHost::exitModal"),
                           QStringLiteral("Rirediro::QuarnHost::~QuarnHost")}));
}

TYPED_TEST(HostLifetime, ARefusedModalModeLeavesNoHost)
{
    this->m_mxi.setRefusesModal(true);
    boost::shared_ptr<TypeParam> host;
    EXPECT_THROW(host = this->template makeHost<TypeParam>(), VUVI_OperationFailed);
    EXPECT_FALSE(host);
    EXPECT_EQ(lines(hostCalls()), "Rirediro::QuarnHost::enterModal\nRirediro::QuarnHost::~QuarnHost")
        << "the base is destroyed, and nothing leaves a modal mode never entered";
    EXPECT_FALSE(this->m_mxi.questions().contains(QStringLiteral("exitModal")));
}

TYPED_TEST(HostLifetime, KeepsThePluginDefaults)
{
    const boost::shared_ptr<TypeParam> host = this->template makeHost<TypeParam>();
    const Rirediro::PluginHost& plugin = *host;
    EXPECT_EQ(plugin.renderFlags(), 0u);
    EXPECT_EQ(plugin.clipToRender(), nullptr);
    EXPECT_EQ(host->setDestinationImage(Bsc::detail::GanImage_Ptr<Gan_Image>(), Prm::View(0)), 3);
    EXPECT_FALSE(plugin.destinationImage(nullptr, Prm::View(0)));
    EXPECT_TRUE(host->persistsProjects());
    EXPECT_EQ(plugin.isGuiHost(), (std::is_same<TypeParam, QuarnGuiHost>::value));
}

// ---- fixed answers and settings -------------------------------------------------------

using HostAnswers = HostFixture;

TEST_F(HostAnswers, TheDialogHostNeitherCachesSplitsNorSwaps)
{
    m_mxi.setCapability(QuarnGuiHost::SwappedViewsCapability, true);
    m_mxi.setViewsSwapped(true);
    for (int index : {0, 1, 2, 5})
        m_mxi.setSplitView(index, true);
    const boost::shared_ptr<QuarnDialogHost> dialog = makeHost<QuarnDialogHost>();
    const boost::shared_ptr<QuarnGuiHost> gui = makeHost<QuarnGuiHost>();
    m_mxi.clearQuestions();

    EXPECT_FALSE(dialog->usesProjectsCache());
    EXPECT_FALSE(dialog->swapViews());
    for (int index : {-1, 0, 1, 2, 5}) {
        EXPECT_FALSE(dialog->splitViews(index)) << index;
        EXPECT_EQ(gui->splitViews(index), index >= 0) << "the GUI host asks the host: " << index;
    }
    EXPECT_TRUE(gui->swapViews());
}

TEST_F(HostAnswers, TheGuiHostsProjectsCacheIsTheSettingWithOverrides)
{
    const boost::shared_ptr<QuarnGuiHost> gui = makeHost<QuarnGuiHost>();
    EXPECT_TRUE(gui->usesProjectsCache()) << "on unless set";
    Product::Settings::setValue(QStringLiteral("UseProjectsCache"), false, false);
    EXPECT_FALSE(gui->usesProjectsCache());
    Product::Settings::setValue(QStringLiteral("UseProjectsCache"), true, true);
    EXPECT_TRUE(gui->usesProjectsCache()) << "an override counts";
}

struct SwapCase
{
    QVariant maxViews; // invalid: not set
    bool capability;
    bool hostSwaps;
    bool swapped;
};

TEST_F(HostAnswers, TheGuiHostSwapsAsTheHostSaysWithTwoViewsAndTheCapability)
{
    const SwapCase cases[] = {
        {QVariant(), true, true, true},     {QVariant(), true, false, false}, {QVariant(), false, true, false},
        {QVariant(1u), true, true, false},  {QVariant(0u), true, true, false}, {QVariant(2u), true, true, true},
        {QVariant(2u), false, true, false}, {QVariant(8u), true, false, false},
    };
    const boost::shared_ptr<QuarnGuiHost> gui = makeHost<QuarnGuiHost>();
    for (const SwapCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("MaxViews %1, capability %2, host swaps %3")
                         .arg(c.maxViews.isValid() ? c.maxViews.toString() : QStringLiteral("unset"))
                         .arg(c.capability)
                         .arg(c.hostSwaps)
                         .toStdString());
        // The same host reads the setting afresh at every call.
        Product::Settings::get().remove(QStringLiteral("MaxViews"));
        if (c.maxViews.isValid())
            Product::Settings::setValue(QStringLiteral("MaxViews"), c.maxViews, false);
        m_mxi.setCapability(QuarnGuiHost::SwappedViewsCapability, c.capability);
        m_mxi.setViewsSwapped(c.hostSwaps);
        m_mxi.clearQuestions();
        EXPECT_EQ(gui->swapViews(), c.swapped);
        if (c.maxViews.isValid() && c.maxViews.toUInt() < 2) {
            EXPECT_TRUE(m_mxi.questions().isEmpty()) << "one view: the host is not asked";
        }
    }
}

TEST_F(HostAnswers, AMaxViewsOverrideCountsAtTheNextCall)
{
    m_mxi.setCapability(QuarnGuiHost::SwappedViewsCapability, true);
    m_mxi.setViewsSwapped(true);
    const boost::shared_ptr<QuarnGuiHost> gui = makeHost<QuarnGuiHost>();
    Product::Settings::setValue(QStringLiteral("MaxViews"), 4u, false);
    EXPECT_TRUE(gui->swapViews());
    Product::Settings::setValue(QStringLiteral("MaxViews"), 1u, true);
    EXPECT_FALSE(gui->swapViews());
    Product::Settings::reload();
    EXPECT_TRUE(gui->swapViews()) << "overrides gone: the stored 4 again";
}

} // namespace
