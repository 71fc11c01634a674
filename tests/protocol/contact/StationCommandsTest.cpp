#include <gtest/gtest.h>

#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/BaudRateCommand.h"
#include "protocol/incoming/contact/CardSimulationCommand.h"
#include "protocol/incoming/contact/DestinationCommands.h"
#include "protocol/incoming/contact/PpsResetCommands.h"
#include "protocol/incoming/contact/SerialPortCommands.h"
#include "protocol/incoming/contact/StationCommands.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

template <class T>
const T& As(const std::unique_ptr<CObjCommResponse>& command) {
    return dynamic_cast<const T&>(*command);
}

TEST(StationCommands, CardTypes) {
    const CodeText cases[] = {
        {0x02, "ISO 7816-3, T=0/T=1"},
        {0x18, "MIFARE"},
        {0x28, "ISO 14443-3/4 Type A"},
        {0x29, "ISO 14443-3/4 Type A, PayPass alternative"},
        {0x59, "ISO 14443-3/4 Type A, PayPass alternative 2"},
        {0x38, "ISO 14443-3/4 Type B"},
        {0x89, "ISO 14443-3/4 Type B, PayPass alternative"},
        {0x39, "ISO 14443-3/4 Type B, PayPass alternative 2"},
        {0x48, "FeliCa"},
        {0x81, "SLE 4418/4428"},
        {0x82, "SLE 4432/4442"},
        {0x83, "SLE 4436"},
        {0x84, "GPM 896"},
        {0x85, "GPM 256"},
        {0x86, "ST133x"},
        {0x87, "ST14C02C"},
        {0x88, "SLE 4406"},
        {0x01, "Unknown Value"},
        {0x80, "Unknown Value"},
        {0xFF, "Unknown Value"},
    };
    for (const CodeText& c : cases) {
        auto command = test::ParseBody(0x17, {static_cast<std::uint8_t>(c.code)}, false);
        EXPECT_EQ(As<CRspSetCardType>(command).GetCardType(), c.code);
        EXPECT_EQ(command->Describe(), (CStringArray{"Command", "Set Card Type", "Card Type", c.text}))
            << c.code;
    }
}

TEST(StationCommands, SetBaudRateFields) {
    auto baud = test::ParseBody(0x03, Hex("58 00 01 13"), false);
    const auto& rate = As<CRspSetBaudRate>(baud);
    EXPECT_FALSE(rate.IsPps());
    EXPECT_EQ(rate.GetDestination(), 0x58U);
    EXPECT_EQ(rate.GetBaudRate(), 0x13U);
    EXPECT_EQ(rate.GetProtocol(), 0xFFU);
    EXPECT_EQ(rate.GetPps0() | rate.GetPps1() | rate.GetPps2() | rate.GetPps3(), 0U);

    auto pps = test::ParseBody(0x03, Hex("57 00 05 01 70 95 01 02"), true);
    const auto& issue = As<CRspSetBaudRate>(pps);
    EXPECT_TRUE(issue.IsPps());
    EXPECT_EQ(issue.GetDestination(), 0x57U);
    EXPECT_EQ(issue.GetBaudRate(), 0U);
    EXPECT_EQ(issue.GetProtocol(), 0x01U);
    EXPECT_EQ(issue.GetPps0(), 0x70U);
    EXPECT_EQ(issue.GetPps1(), 0x95U);
    EXPECT_EQ(issue.GetPps2(), 0x01U);
    EXPECT_EQ(issue.GetPps3(), 0x02U);
}

TEST(StationCommands, ResetsWithPpsFields) {
    auto warm = test::ParseBody(0x12, Hex("58 00 00 0F A0"), true);
    EXPECT_EQ(As<CRspWarmResetWithPPS>(warm).GetFrequency(), 4000U);
    auto cold = test::ParseBody(0x0F, Hex("57 12 03"), false);
    const auto& reset = As<CRspResetCardWithPPS>(cold);
    EXPECT_EQ(reset.GetDestination(), 0x57U);
    EXPECT_EQ(reset.GetVoltage(), 0x12U);
    EXPECT_EQ(reset.GetFrequency(), 0x03U);
    // The non-extended layout is three bytes: an extended reading of it runs short.
    EXPECT_THROW(test::ParseBody(0x0F, Hex("57 12 03"), true), CPassThruParseError);
}

TEST(StationCommands, VoltageAndClockCodesOfResetWithPps) {
    const CodeText voltages[] = {
        {0x01, "3.3 Volts"},     {0x02, "5.0 Volts"},     {0x03, "6.0 Volts"},     {0x12, "1.2 Volts"},
        {0x19, "1.9 Volts"},     {0x79, "7.9 Volts"},     {0x80, "8.0 Volts"},     {0x00, "Unknown Value"},
        {0x10, "Unknown Value"}, {0x11, "Unknown Value"}, {0x1A, "Unknown Value"}, {0x33, "Unknown Value"},
        {0x50, "Unknown Value"}, {0x60, "Unknown Value"}, {0x7A, "Unknown Value"}, {0x81, "Unknown Value"},
    };
    for (const CodeText& c : voltages) {
        auto command = test::ParseBody(0x0F, {0x58, static_cast<std::uint8_t>(c.code), 0x00}, false);
        EXPECT_EQ(command->Describe().at(5), c.text) << c.code;
    }
    const CodeText clocks[] = {
        {0x00, "9.830 Mhz"},     {0x01, "4.915 Mhz"},     {0x02, "2.457 Mhz"},     {0x03, "1.228 Mhz"},
        {0x10, "7.159 Mhz"},     {0x11, "3.579 Mhz"},     {0x12, "1.789 Mhz"},     {0xFF, "Default"},
        {0x04, "Unknown Value"}, {0x13, "Unknown Value"}, {0xFE, "Unknown Value"},
    };
    for (const CodeText& c : clocks) {
        auto command = test::ParseBody(0x0F, {0x58, 0x01, static_cast<std::uint8_t>(c.code)}, false);
        EXPECT_EQ(command->Describe().at(7), c.text) << c.code;
    }
}

TEST(StationCommands, DestinationOnlyCommands) {
    EXPECT_EQ(As<CRspEjectCard>(test::ParseBody(0x06, Hex("58"), false)).GetDestination(), 0x58U);
    EXPECT_EQ(As<CRspQueryCard>(test::ParseBody(0x07, Hex("57"), true)).GetDestination(), 0x57U);
    EXPECT_EQ(As<CRspWarmReset>(test::ParseBody(0x0B, Hex("43"), false)).GetDestination(), 0x43U);
    EXPECT_EQ(As<CRspSerialFlush>(test::ParseBody(0x22, Hex("88"), false)).GetDestination(), 0x88U);
}

TEST(StationCommands, HousekeepingFields) {
    auto nad = test::ParseBody(0x08, Hex("57 12"), false);
    EXPECT_EQ(As<CRspSetNAD>(nad).GetDestination(), 0x57U);
    EXPECT_EQ(As<CRspSetNAD>(nad).GetNad(), 0x12U);

    auto port = test::ParseBody(0x09, Hex("58 04 02 03 01 02"), false);
    const auto& config = As<CRspConfigSerialPort>(port);
    EXPECT_EQ(config.GetDestination(), 0x58U);
    EXPECT_EQ(config.GetBaudRate(), 4U);
    EXPECT_EQ(config.GetParity(), 2U);
    EXPECT_EQ(config.GetDataBits(), 3U);
    EXPECT_EQ(config.GetStopBits(), 1U);
    EXPECT_EQ(config.GetFlowControl(), 2U);

    auto resend = test::ParseBody(0x10, Hex("AB 91"), false);
    EXPECT_EQ(As<CRspResend>(resend).GetReserved(), 0xABU);
    EXPECT_EQ(As<CRspResend>(resend).GetErrorCode(), 0x91U);

    EXPECT_EQ(As<CRspSelectStation>(test::ParseBody(0x21, Hex("07"), false)).GetStationNumber(), 7U);
    EXPECT_EQ(test::ParseBody(0x0A, {}, false)->GetSubCommand(), 0x0A);
    EXPECT_TRUE(test::ParseBody(0x13, {}, true)->GetBody().empty());
}

TEST(StationCommands, CardCommandSimulationDestinationOnlyWhenExtended) {
    // Without the extended flag the body starts with the simulation kind.
    auto plain = test::ParseBody(0x15, Hex("00 00 00 01 F4 00 02 00 02 90 00"), false);
    const auto& simulation = As<CRspCardCommandSimulation>(plain);
    EXPECT_FALSE(simulation.HasDestination());
    EXPECT_EQ(simulation.GetDestination(), 0U);
    EXPECT_EQ(simulation.GetDelayTime(), 500U);
    EXPECT_EQ(simulation.GetRequestedLength(), 2U);
    EXPECT_EQ(simulation.GetSimulatedData(), Hex("90 00"));

    auto extended = test::ParseBody(0x15, Hex("43 00 00 00 01 F4 00 02 00 02 90 00"), true);
    const auto& withDestination = As<CRspCardCommandSimulation>(extended);
    EXPECT_TRUE(withDestination.HasDestination());
    EXPECT_EQ(withDestination.GetDestination(), 0x43U);
    EXPECT_EQ(withDestination.GetDelayTime(), 500U);
    EXPECT_EQ(withDestination.GetSimulatedData(), Hex("90 00"));
}

}  // namespace
}  // namespace tessaly
