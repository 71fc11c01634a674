// What the contactless reader decides before it sends anything, and what happens to its keys:
// these need no reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>

#include "cardaccess/ScmContactlessReader.h"
#include "tests/support/TestPackets.h"

namespace {

// Every block this program frees while the watch is on is searched for a key: memory that held
// keys must be wiped before it goes back to the heap.
constexpr std::uint8_t kSecretKey[] = {0x5A, 0xC3, 0x96, 0xE1, 0x7B, 0x2D};
std::atomic<bool> g_watchFrees{false};
std::atomic<int> g_keysFreed{0};

struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

}  // namespace

void* operator new(std::size_t size) {
    void* block = std::malloc(sizeof(BlockHeader) + size);  // NOLINT(cppcoreguidelines-no-malloc)
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    static_cast<BlockHeader*>(block)->size = size;
    return static_cast<BlockHeader*>(block) + 1;
}

void operator delete(void* memory) noexcept {
    if (memory == nullptr) {
        return;
    }
    BlockHeader* block = static_cast<BlockHeader*>(memory) - 1;
    const auto* bytes = static_cast<const std::uint8_t*>(memory);
    if (g_watchFrees.load() && std::search(bytes, bytes + block->size, std::begin(kSecretKey),
                                           std::end(kSecretKey)) != bytes + block->size) {
        ++g_keysFreed;
    }
    std::free(block);  // NOLINT(cppcoreguidelines-no-malloc)
}

void operator delete(void* memory, std::size_t /*size*/) noexcept {
    operator delete(memory);
}

namespace tessaly {
namespace {

using test::Hex;

class ContactlessLogicTest : public ::testing::Test {
protected:
    // Direct query: no monitor thread; never connected.
    CScmContactlessReader m_reader{"Nowhere 00 00", true};
    CByteArray m_response{0xEE};
};

TEST_F(ContactlessLogicTest, SectorOfBlockFollowsTheFourKLayout) {
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0, 0}, {3, 0}, {4, 1}, {127, 31}, {128, 32}, {143, 32}, {144, 33}, {200, 36}, {255, 39}, {0x1C8, 36},
    };
    for (const auto& [block, sector] : cases) {
        EXPECT_EQ(CScmContactlessReader::SectorOfBlock(block), sector) << block;
    }
}

TEST_F(ContactlessLogicTest, MemoryCommandsWithoutACard) {
    EXPECT_EQ(m_reader.ExecuteMemoryCommand(Hex("A0 05"), m_response), 0);
    EXPECT_EQ(m_response, Hex("0A"));
    EXPECT_TRUE(m_reader.IsWritePending());
    EXPECT_EQ(m_reader.GetPendingBlock(), 5);
    // Fifteen bytes are no block: the write fails and is forgotten.
    EXPECT_EQ(m_reader.ExecuteMemoryCommand(CByteArray(15, 0x11), m_response), 0x87);
    EXPECT_TRUE(m_response.empty());
    EXPECT_EQ(m_reader.GetLastResult(), 0xF0000002U);
    EXPECT_FALSE(m_reader.IsWritePending());
    EXPECT_EQ(m_reader.GetPendingBlock(), 0);
    for (const char* command : {"", "30", "31 04", "A0 05 00", "30 04 00", "60 04"}) {
        EXPECT_EQ(m_reader.ExecuteMemoryCommand(Hex(command), m_response), 0x87) << command;
        EXPECT_EQ(m_reader.GetLastResult(), 0xF0000003U) << command;
        EXPECT_TRUE(m_response.empty());
        EXPECT_FALSE(m_reader.IsWritePending());
    }
    EXPECT_EQ(m_reader.GetMifareResetResponse(m_response), 0);
    EXPECT_EQ(m_response, Hex("00 00 00 00"));
    EXPECT_EQ(m_reader.GetDefaultResetResponse(m_response), 0);
    EXPECT_EQ(m_response, Hex("00 00 00"));
    // Commands too long for their length field are refused before anything is sent.
    EXPECT_EQ(m_reader.ExchangeContactless(0x35, CByteArray(256, 0x00), m_response), 0x91);
    EXPECT_TRUE(m_response.empty());
    CCommandRecord record;
    record.length = 257;
    EXPECT_EQ(m_reader.TransmitRecord(record, m_response), 0x89);
}

TEST_F(ContactlessLogicTest, ResetTransmissionSettingsForgetsKeysAndPendingWrite) {
    m_reader.SetKeys(CByteArray(24, 0xA5));
    m_reader.SetGetResponseClass(-1);
    m_reader.SetApduLevel(false);
    m_reader.ExecuteMemoryCommand(Hex("A0 09"), m_response);
    m_reader.ResetTransmissionSettings();
    EXPECT_TRUE(m_reader.GetKeys().empty());
    EXPECT_EQ(m_reader.Authenticate(4, CScmContactlessReader::kKeyA), 0x87);
    EXPECT_EQ(m_reader.GetLastErrorText(), "f0000004 -- keys have not been set.");
    EXPECT_FALSE(m_reader.IsWritePending());
    EXPECT_EQ(m_reader.GetGetResponseClass(), 0);
    EXPECT_TRUE(m_reader.GetApduLevel());
    // A table too short for the block's sector.
    m_reader.SetKeys(CByteArray(12, 0xFF));
    EXPECT_EQ(m_reader.Authenticate(4, CScmContactlessReader::kKeyA), 0x87);
    EXPECT_EQ(m_reader.GetLastResult(), 0xF0000001U);
}

TEST(ContactlessKeys, KeysAreWipedBeforeTheirMemoryIsFreed) {
    CByteArray keys(12 * 40, 0xFF);
    std::copy(std::begin(kSecretKey), std::end(kSecretKey), keys.begin() + 12 * 39);
    auto reader = std::make_unique<CScmContactlessReader>("Nowhere 00 00", true);
    // The watch finds keys in memory freed without wiping (here a copy of ours).
    g_watchFrees = true;
    { const CByteArray copy = keys; }
    g_watchFrees = false;
    ASSERT_EQ(g_keysFreed.exchange(0), 1);

    const auto freesNoKey = [&](const char* what, auto step) {
        reader->SetKeys(keys);
        g_watchFrees = true;
        step();
        g_watchFrees = false;
        EXPECT_EQ(g_keysFreed.exchange(0), 0) << what;
    };
    freesNoKey("replaced by a shorter table", [&] { reader->SetKeys(CByteArray(48, 0x00)); });
    freesNoKey("reset", [&] { reader->ResetTransmissionSettings(); });
    freesNoKey("destroyed", [&] { reader.reset(); });
}

}  // namespace
}  // namespace tessaly
