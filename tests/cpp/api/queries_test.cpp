// The GPU device table that scripts pick devices from.

#include "Python/GpuDevices.h"
#include "Python/SettingsQueries.h"

#include <gtest/gtest.h>

namespace {

using Device = GPU::AvailableGPUDevice;

struct TableCase
{
    const char* name;
    QVector<Device> devices; // the default device first
    QStringList expected;
};

void PrintTo(const TableCase& c, std::ostream* out)
{
    *out << c.name;
}

class DeviceNames : public ::testing::TestWithParam<TableCase>
{
};

TEST_P(DeviceNames, AreMadeUnique)
{
    const GpuDeviceTable table = GpuDeviceTable::build(GetParam().devices);
    EXPECT_EQ(table.names, GetParam().expected);
    EXPECT_EQ(table.ids.size(), table.names.size());
    for (int i = 0; i < table.names.size(); ++i) {
        const Device& device = GetParam().devices.at(i);
        EXPECT_EQ(table.ids.value(table.names.at(i)), qMakePair(device.platformId, device.deviceId));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceNames,
    ::testing::Values(
        TableCase{"TwoCards", {{"X", 0, 0}, {"Card", 1, 0}, {"Card", 1, 1}}, {"X", "Card", "Card #2"}},
        TableCase{"ThirdCard", {{"X", 0, 0}, {"Card", 1, 0}, {"Card", 1, 1}, {"Card", 1, 2}},
                  {"X", "Card", "Card #2", "Card #3"}},
        TableCase{"DefaultListedTwice", {{"Card", 0, 0}, {"Card", 0, 0}}, {"Card", "Card #2"}},
        TableCase{"NumberedTaken", {{"Card #2", 0, 0}, {"Card #2", 0, 1}}, {"Card #2", "Card #3"}},
        TableCase{"NumberWithoutSeparator", {{"Unit 5", 0, 0}, {"Unit 5", 0, 1}}, {"Unit 5", "Unit  #6"}},
        TableCase{"AllDigits", {{"7", 0, 0}, {"7", 0, 1}}, {"7", "8"}},
        TableCase{"SkipsTakenNumbers", {{"Card", 0, 0}, {"Card #2", 0, 1}, {"Card", 0, 2}},
                  {"Card", "Card #2", "Card #3"}},
        TableCase{"CaseCounts", {{"card", 0, 0}, {"Card", 0, 1}}, {"card", "Card"}},
        // Nameless devices get a name scripts can use, and no duplicate entries.
        TableCase{"Nameless", {{"", 0, 0}, {QString(), 0, 1}}, {"Unnamed device", "Unnamed device #2"}}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.name); });

TEST(InterProduct, HasNoCompanionToTalkTo)
{
    EXPECT_FALSE(InterProduct::is_track_in_plinx_ae_set("/any/path"));
    InterProduct::update_track_in_plinx_ae("/any/path", true);
    EXPECT_FALSE(InterProduct::is_track_in_plinx_ae_set("/any/path"));
}

} // namespace
