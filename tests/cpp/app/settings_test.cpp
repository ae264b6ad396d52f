#include "AppTestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

using AppTest::TemporarySettings;
using Product::Settings;

TEST(ProductSettings, LiveInTheUsersConfigurationFolderUnderTheCompany)
{
    TemporarySettings settings;
    Settings::setValue("MainGuiOpenCount", 3u, false);
    EXPECT_EQ(Settings::get().organizationName(), QString(Settings::TQL_REGISTRY_COMPANYNAME));
    EXPECT_EQ(QFileInfo(Settings::get().fileName()).absolutePath(),
              QFileInfo(settings.folder() + "/" + Settings::TQL_REGISTRY_COMPANYNAME).absoluteFilePath());
    EXPECT_TRUE(QFileInfo::exists(Settings::get().fileName()));
}

TEST(ProductSettings, StoredValuesOutliveTheOpenStore)
{
    TemporarySettings settings;
    Settings::setValue("LastRunBuildNumber", 1042u, false);
    Settings::reload();
    EXPECT_EQ(Settings::value("LastRunBuildNumber", 0u, true).toUInt(), 1042u);
    EXPECT_EQ(Settings::value("Missing", "fallback", true).toString(), "fallback");
}

TEST(ProductSettings, OverridesCountOnlyForReadersThatAskAndAreNeverStored)
{
    TemporarySettings settings;
    Settings::setValue("MaxViews", 3u, false);
    Settings::setValue("MaxViews", 1u, true);
    Settings::setValue("ResultClipFileFormat", "PNG", true);

    EXPECT_EQ(Settings::value("MaxViews", 0u, true).toUInt(), 1u);
    EXPECT_EQ(Settings::value("MaxViews", 0u, false).toUInt(), 3u);
    EXPECT_EQ(Settings::overriddenKeys(), QStringList({"MaxViews", "ResultClipFileFormat"}));
    EXPECT_FALSE(Settings::get().contains("ResultClipFileFormat"));

    // Storing a key leaves its override in force for this process.
    Settings::setValue("MaxViews", 4u, false);
    EXPECT_EQ(Settings::value("MaxViews", 0u, true).toUInt(), 1u);

    Settings::reload();
    EXPECT_TRUE(Settings::overriddenKeys().isEmpty());
    EXPECT_EQ(Settings::value("MaxViews", 0u, true).toUInt(), 4u);
}

} // namespace
