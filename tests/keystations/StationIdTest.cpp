// Station ids: the first station of a process gets 1, and every station made later the next number,
// also across restarts. Each test runs in a process of its own (one CTest test per test), so the
// counter starts fresh in every one. No reader is needed: a station opens nothing until Start.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/registry/Registry.h"
#include "keystations/BrantwickDoc.h"
#include "keystations/KeyStation.h"
#include "tests/registry/TempRegistry.h"

namespace tessaly {
namespace {

TEST(StationId, FirstStationIsOneAndIdsAreNeverReused) {
    EXPECT_EQ(CKeyStation::PeekNextStationId(), 1);
    auto first = std::make_unique<CKeyStation>("Reader A", 5001);
    auto second = std::make_unique<CKeyStation>("Reader B", 5002);
    EXPECT_EQ(first->GetStationId(), 1);
    EXPECT_EQ(second->GetStationId(), 2);
    first.reset();
    second.reset();
    // "Restart": the new stations of the same entries get the next ids.
    const CKeyStation third("Reader A", 5001);
    const CKeyStation fourth("Reader B", 5002);
    EXPECT_EQ(third.GetStationId(), 3);
    EXPECT_EQ(fourth.GetStationId(), 4);
}

TEST(StationId, ANewStationIsStoppedWithNoClient) {
    const CKeyStation station("Reader A", 40000);
    const StationDisplay display = station.GetDisplay();
    EXPECT_EQ(display.status, StationStatus::Stopped);
    EXPECT_STREQ(station.GetStatusName(), "Stopped");
    EXPECT_EQ(display.clientAddress, "");
    EXPECT_EQ(display.clientPort, 0);
    EXPECT_EQ(display.transactionCount, 0U);
    EXPECT_EQ(station.GetPort(), 40000);
    EXPECT_EQ(station.GetReaderName(), "Reader A");
}

TEST(StationId, StatusTextsAreTheListsWords) {
    const char* const texts[] = {"Stopped",    "Waiting",      "Connected",    "ProcessingCommand",
                                 "CardFailed", "SocketFailed", "InternalError"};
    for (std::uint32_t value = 0; value < 7; ++value) {
        EXPECT_STREQ(StationStatusName(static_cast<StationStatus>(value)), texts[value]);
    }
}

TEST(StationId, AMalformedSettingStartsNoStation) {
    test::TempRegistry registry;
    const int nextId = CKeyStation::PeekNextStationId();
    CBrantwickDoc document({{"Reader A", 5001}, {"Reader B", 5002}});
    ASSERT_TRUE(WriteRegistryString(CString(kBrantwickKey) + "\\StationKey", "not a key", false));
    EXPECT_FALSE(document.StartStations());
    EXPECT_TRUE(document.Stations().empty());
    EXPECT_EQ(
        document.StartError(),
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\TESSALY\\Brantwick\\StationKey is not 48 hexadecimal digits; no key "
        "station was started.");
    EXPECT_EQ(CKeyStation::PeekNextStationId(), nextId);
}

}  // namespace
}  // namespace tessaly
