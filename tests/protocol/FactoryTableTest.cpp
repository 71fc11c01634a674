// The factory's whole table: every command and sub-command code makes its class or is unknown.
#include <gtest/gtest.h>

#include <map>

#include "protocol/PassThruErrors.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct Known {
    const char* className;
    const char* body;  // a smallest body that parses
};

// Pass-through sub-commands (command 0x0A), transaction number 1.
const std::map<int, Known> kSubCommands = {
    {0x01, {"CRspResetCard", "58 00 01 01"}},
    {0x02, {"CRspSetVoltage", "58 00 01 01"}},
    {0x03, {"CRspSetBaudRate", "58 00 01 11"}},
    {0x04, {"CRspSetFrequency", "58 00 01 00"}},
    {0x05, {"CRspProcess", "80 00 35 00 00"}},
    {0x06, {"CRspEjectCard", "58"}},
    {0x07, {"CRspQueryCard", "58"}},
    {0x08, {"CRspSetNAD", "58 00"}},
    {0x09, {"CRspConfigSerialPort", "58 00 00 00 00 00"}},
    {0x0A, {"CRspGetHardwareVersion", ""}},
    {0x0B, {"CRspWarmReset", "58"}},
    {0x0C, {"CRspBulkProcess", "00 00"}},
    {0x0D, {"CRspSerialMemoryProcess", "82 00 00 00"}},
    {0x0E, {"CRspBulkSerialProcess", "82 00 00"}},
    {0x0F, {"CRspResetCardWithPPS", "58 01 00"}},
    {0x10, {"CRspResend", "00 01"}},
    {0x12, {"CRspWarmResetWithPPS", "58 00"}},
    {0x13, {"CRspKeepAlive", ""}},
    {0x15, {"CRspCardCommandSimulation", "00 00 00 00 00 00 00 00 00"}},
    {0x16, {"CRspReaderAttribute", "58 00 00"}},
    {0x17, {"CRspSetCardType", "02"}},
    {0x20, {"CRspMessage", "00 00 4F 4E"}},
    {0x21, {"CRspSelectStation", "01"}},
    {0x22, {"CRspSerialFlush", "80"}},
    {0x30, {"CRspPiccReset", "43 00 00"}},
    {0x31, {"CRspPiccIssuePPS", "43 00"}},
    {0x32, {"CRspPiccAntennaTuning", "43"}},
    {0x33, {"CRspSetKeys", "43 00 00"}},
    {0x34, {"CRspPiccAuthenticate", "43 00 00 00"}},
    {0x35, {"CRspPiccPower", "43 01 00 00 00 0F"}},
    {0x36, {"CRspDiversifyKeys", "43 00 00"}},
    {0x37, {"CRspReqb", "43 00 00"}},
    {0x38, {"CRspWupb", "43 00 00"}},
    {0x39, {"CRspAttrib", "43 00 00 00 00 00 00 00 00 00 00 00 00 00 00"}},
    {0x3A, {"CRspHltb", "43 00 00 00 00"}},
    {0xFF, {"CRspPassThroughModeComplete", "00"}},
};

// Commands other than 0x0A, in the long form.
const std::map<int, Known> kCommands = {
    {0x01, {"CRspKeyRequest", ""}},
    {0x03, {"CRspKeyStore", ""}},
    {0x04, {"CRspObjectRequest", "11 00 00 00 00 00 00 00 00"}},
    {0x05, {"CRspObjectDataLoading", ""}},
    {0x06, {"CRspRegisterDevice", ""}},
    {0x07, {"CRspRequestDeviceName", ""}},
    {0x08, {"CRspAuthenticateClient", "00"}},
    {0x09, {"CRspSetDeviceName", ""}},
    {0x99, {"CRspHealthCheck", ""}},
    {0xFF, {"CRspError", "00"}},
};

std::string Outcome(const CByteArray& packet, bool extended) {
    try {
        return test::Parse(packet, extended)->ClassName();
    } catch (const CPassThruFormatError& e) {
        return e.Name();
    }
}

TEST(FactoryTable, EverySubCommandCode) {
    for (int code = 0; code < 256; ++code) {
        const auto known = kSubCommands.find(code);
        const CByteArray body = known != kSubCommands.end() ? Hex(known->second.body) : CByteArray{};
        const std::string expected =
            known != kSubCommands.end() ? known->second.className : "CPassThruSubCmdUnknown";
        const auto packet = test::PassThroughPacket(static_cast<std::uint8_t>(code), 1, body);
        EXPECT_EQ(Outcome(packet, false), expected) << "sub-command " << code;
    }
    // Sub-command 0xFF with transaction number 0 ends pass-through mode without a verdict.
    EXPECT_EQ(Outcome(test::PassThroughPacket(0xFF, 0, {}), false), "CRspPassThroughModeFinish");
}

TEST(FactoryTable, EveryCommandCode) {
    for (int code = 0; code < 256; ++code) {
        if (code == 0x0A) {
            continue;
        }
        const auto known = kCommands.find(code);
        const CByteArray body = known != kCommands.end() ? Hex(known->second.body) : CByteArray{};
        const std::string expected =
            known != kCommands.end() ? known->second.className : "CPassThruCmdUnknown";
        EXPECT_EQ(Outcome(test::LongPacket(static_cast<std::uint8_t>(code), body), false), expected)
            << "command " << code;
        // Only 01, 03, 99 and FF have a short form; any other first byte is a corrupted frame.
        const bool shortForm = code == 0x01 || code == 0x03 || code == 0x99 || code == 0xFF;
        const std::string expectedShort = shortForm ? expected : "CPassThruParseError";
        if (code != 0x00 && code != 0x02) {  // 00 and 02 are the long frame types themselves
            EXPECT_EQ(Outcome(test::ShortPacket(static_cast<std::uint8_t>(code), body), false), expectedShort)
                << "short command " << code;
        }
    }
}

}  // namespace
}  // namespace tessaly
