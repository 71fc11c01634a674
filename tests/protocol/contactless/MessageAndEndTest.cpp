#include <gtest/gtest.h>

#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/incoming/contactless/PassThroughEnd.h"
#include "tests/protocol/contactless/Frames.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct MessageCase {
    const char* body;
    CStringArray description;
    const char* writtenBack;  // GetBody, when it differs from the body
};

const MessageCase kMessageCases[] = {
    // 'N': the body ends after scheme and indicator.
    {"00 05 48 65 6C 6C 6F 4F 4E",
     {"Message", "Hello", "Button Scheme", " 'Ok' Button Scheme", "Input Indicator", "Input is not required"},
     nullptr},
    {"00 03 50 49 4E 43 48 10 53 59",
     {"Message", "PIN", "Button Scheme", "'Ok' and Cancel Button Scheme", "Input Indicator",
      "Hexadecimal input is required", "Expected Input Length", "10", "Input Type",
      "Security of information is required", "Confirmation Type", "Confirmation is needed"},
     nullptr},
    {"00 01 41 59 49 0A 4E 4E",
     {"Message", "A", "Button Scheme", " 'Yes' and 'No' Button Scheme", "Input Indicator",
      "Decimal input is required", "Expected Input Length", "0a", "Input Type",
      "Security of information is not required", "Confirmation Type", "Confirmation is not needed"},
     nullptr},
    {"00 00 5A 59 AB 58 51",
     {"Message", "", "Button Scheme", "Unknown Value", "Input Indicator", "Input is required",
      "Expected Input Length", "ab", "Input Type", "Unknown Value", "Confirmation Type", "Unknown Value"},
     nullptr},
    // An unknown indicator still carries the three input bytes, but they are not described.
    {"00 01 42 4F 58 04 53 59",
     {"Message", "B", "Button Scheme", " 'Ok' Button Scheme", "Input Indicator", "Unknown Value"},
     nullptr},
    // Bytes after the 'N' indicator are ignored.
    {"00 01 43 43 4E 04 53 59",
     {"Message", "C", "Button Scheme", "'Ok' and Cancel Button Scheme", "Input Indicator",
      "Input is not required"},
     "00 01 43 43 4E"},
};

TEST(OperatorMessage, Descriptions) {
    for (const MessageCase& c : kMessageCases) {
        SCOPED_TRACE(c.body);
        auto message = test::ParseBody(0x20, Hex(c.body), true);
        ASSERT_NE(message, nullptr);
        EXPECT_STREQ(message->ClassName(), "CRspMessage");
        EXPECT_EQ(message->GetCommand(), 0x0AU);
        EXPECT_EQ(message->GetSubCommand(), 0x20);
        EXPECT_EQ(message->Describe(), c.description);
        EXPECT_EQ(test::ToHex(message->GetBody()), test::ToHex(Hex(c.writtenBack ? c.writtenBack : c.body)));
    }
}

TEST(OperatorMessage, NoInputStoresDefaults) {
    auto parsed = test::ParseBody(0x20, Hex("00 02 48 69 4F 4E"), false);
    const auto& message = dynamic_cast<const CRspMessage&>(*parsed);
    EXPECT_EQ(message.GetText(), "Hi");
    EXPECT_EQ(message.GetButtonScheme(), 0x4FU);
    EXPECT_EQ(message.GetInputIndicator(), 0x4EU);
    EXPECT_EQ(message.GetExpectedInputLength(), 0U);
    EXPECT_EQ(message.GetInputSecurity(), 0x4EU);
    EXPECT_EQ(message.GetConfirmation(), 0x4EU);
    EXPECT_FALSE(message.AsksForInput());
}

TEST(OperatorMessage, InputFieldsAndTextWithZeroBytes) {
    auto parsed = test::ParseBody(0x20, Hex("00 03 41 00 42 43 59 08 53 59"), false);
    const auto& message = dynamic_cast<const CRspMessage&>(*parsed);
    EXPECT_EQ(message.GetText(), CString("A\0B", 3));
    EXPECT_EQ(message.GetExpectedInputLength(), 8U);
    EXPECT_EQ(message.GetInputSecurity(), 0x53U);
    EXPECT_EQ(message.GetConfirmation(), 0x59U);
    EXPECT_TRUE(message.AsksForInput());
    EXPECT_EQ(parsed->Describe()[1], CString("A\0B", 3));
}

TEST(OperatorMessage, Truncations) {
    // With input: every cut is corrupt. Without input ('N'): only the full body is whole.
    test::ExpectTruncationsRejected(test::Sub(0x20), Hex("00 03 50 49 4E 43 48 10 53 59"), {}, "CRspMessage");
    test::ExpectTruncationsRejected(test::Sub(0x20), Hex("00 02 48 69 4F 4E"), {}, "CRspMessage");
    test::ExpectTruncationsRejected(test::Sub(0x20), Hex("00 00 4F 58 04 53 59"), {}, "CRspMessage");
}

constexpr const char* kFinishName = "Card Processing Finish Acknowledge";

TEST(PassThroughEnd, TransactionNumberChoosesFinishOrComplete) {
    struct Case {
        std::uint16_t transaction;
        const char* body;
        const char* className;
    };
    const Case cases[] = {
        {0x0000, "", "CRspPassThroughModeFinish"},
        {0x0000, "00", "CRspPassThroughModeFinish"},  // a finish carries nothing; extra bytes are ignored
        {0x0001, "00", "CRspPassThroughModeComplete"},
        {0x8000, "FF 31 32 33 34 35 00 00", "CRspPassThroughModeComplete"},
        {0xFFFF, "00", "CRspPassThroughModeComplete"},
    };
    for (const Case& c : cases) {
        std::uint32_t transaction = 0xDEAD;
        auto parsed =
            test::Parse(test::PassThroughPacket(0xFF, c.transaction, Hex(c.body)), true, &transaction);
        ASSERT_NE(parsed, nullptr);
        EXPECT_STREQ(parsed->ClassName(), c.className) << c.transaction;
        EXPECT_EQ(transaction, c.transaction);
        EXPECT_EQ(parsed->GetCommand(), 0x0AU);
        EXPECT_EQ(parsed->GetSubCommand(), 0xFF);
        EXPECT_TRUE(parsed->UsesLongForm());
    }
}

TEST(PassThroughEnd, FinishHasNoBody) {
    auto finish = test::Parse(test::PassThroughPacket(0xFF, 0, Hex("00 01")), true);
    EXPECT_EQ(finish->Describe(), (CStringArray{"Command", kFinishName}));
    EXPECT_TRUE(finish->GetBody().empty());
    EXPECT_EQ(dynamic_cast<CRspPassThroughModeComplete*>(finish.get()), nullptr);
}

struct CompleteCase {
    const char* body;
    CStringArray description;
    const char* writtenBack;
};

TEST(PassThroughEnd, CompleteDescriptionsAndBodies) {
    const CompleteCase cases[] = {
        {"00",
         {"Command", kFinishName, "Accept Code", "OK Card", "Dll returned error", "00000", "Audit Data",
          "None"},
         "00 30 30 30 30 30 00 00"},
        {"01 30 30 31 32 33 00 02 AB CD",
         {"Command", kFinishName, "Accept Code", "Card failed, but resusable, see error code for detail",
          "Dll returned error", "00123", "Audit Data", "ABCD"},
         "01 30 30 31 32 33 00 02 AB CD"},
        {"FF 31 32 33 34 35 00 00",
         {"Command", kFinishName, "Accept Code", "Dll error", "Dll returned error", "12345", "Audit Data",
          "None"},
         "FF 31 32 33 34 35 00 00"},
        {"02 41 42 43 44 45 00 01 00 77",
         {"Command", kFinishName, "Accept Code", "Unknown Value", "Dll returned error", "ABCDE", "Audit Data",
          "00"},
         "02 41 42 43 44 45 00 01 00"},
    };
    for (const CompleteCase& c : cases) {
        SCOPED_TRACE(c.body);
        auto complete = test::ParseBody(0xFF, Hex(c.body), true);
        ASSERT_NE(complete, nullptr);
        EXPECT_EQ(complete->Describe(), c.description);
        EXPECT_EQ(test::ToHex(complete->GetBody()), test::ToHex(Hex(c.writtenBack)));
    }
}

TEST(PassThroughEnd, AcceptCodeTexts) {
    const CodeText cases[] = {
        {0x00, "OK Card"},
        {0x01, "Card failed, but resusable, see error code for detail"},
        {0x91, "Checksum error in command packet."},
        {0x92, "Command packet header mismatch."},
        {0x93, "Unknown command."},
        {0x94, "Command data is corrupted."},
        {0xD0, "Cannot find DLL"},
        {0xD1, "Cannot load DLL properly"},
        {0xD2, "The ZOLT application version is unknown."},
        {0xD4, "Resend time exceeds Max(3)"},
        {0xD5,
         "Unable to get response back from ZOLT application after sending message to it in a period of time "
         "(configurable)"},
        {0xD8, "The application name is blank."},
        {0xD9, "The application configuration is invalid or missing."},
        {0xE0, "The data reference is unknown."},
        {0xE1, "A Resource Controller error was encountered."},
        {0xE2, "The module or station is invalid."},
        {0xE3, "The ZOLT application threw an unhandled exception."},
        {0xE4, "Unable to acquire thread exclusive resources."},
        {0xFA, "DOVR device conflict."},
        {0xFB, "An internal failure occurred."},
        {0xFC, "ZOLT initialization failed."},
        {0xFD, "Non-ASCII character in DLL error code returned by ZOLT application."},
        {0xFE, "ZOLT application returned an unknown accept code."},
        {0xFF, "Dll error"},
        {0x02, "Unknown Value"},
        {0x90, "Unknown Value"},
        {0xD3, "Unknown Value"},
        {0xE5, "Unknown Value"},
        {0xF9, "Unknown Value"},
    };
    for (const CodeText& c : cases) {
        auto complete = test::ParseBody(0xFF, {static_cast<std::uint8_t>(c.code)}, true);
        EXPECT_EQ(complete->Describe().at(3), c.text) << c.code;
        EXPECT_EQ(dynamic_cast<const CRspPassThroughModeComplete&>(*complete).GetAcceptCode(), c.code);
    }
}

TEST(PassThroughEnd, CompleteTruncations) {
    // The accept code alone is whole; a DLL error or audit data cut short is not.
    test::ExpectTruncationsRejected(test::Sub(0xFF, 9), Hex("01 30 30 31 32 33 00 02 AB CD"), {1},
                                    "CRspPassThroughModeComplete");
}

TEST(PassThroughEnd, CompleteOperationsThroughTheInterface) {
    auto parsed = test::ParseBody(0xFF, Hex("01 30 30 31 32 33 00 02 AB CD"), true);
    auto& complete = dynamic_cast<CRspPassThroughModeComplete&>(*parsed);
    EXPECT_EQ(complete.GetAcceptCode(), 0x01U);
    EXPECT_EQ(complete.GetDllError(), "00123");
    EXPECT_EQ(complete.GetAuditData(), Hex("AB CD"));

    EXPECT_TRUE(complete.SetAuditData(Hex("01 02 03")));
    EXPECT_EQ(complete.GetAuditData(), Hex("01 02 03"));
    EXPECT_EQ(parsed->Describe().back(), "010203");
    EXPECT_EQ(parsed->GetBody(), Hex("01 30 30 31 32 33 00 03 01 02 03"));

    EXPECT_TRUE(complete.SetAuditData({}));
    EXPECT_EQ(parsed->Describe().back(), "None");

    // More than a 16-bit length can announce is refused and changes nothing.
    EXPECT_TRUE(complete.SetAuditData(Hex("AA")));
    EXPECT_FALSE(complete.SetAuditData(CByteArray(0x10000, 0x55)));
    EXPECT_EQ(complete.GetAuditData(), Hex("AA"));
    EXPECT_TRUE(complete.SetAuditData(CByteArray(0xFFFF, 0x55)));
    EXPECT_EQ(parsed->GetBody().size(), 1U + 5U + 2U + 0xFFFFU);

    auto bare = test::ParseBody(0xFF, Hex("D0"), true);
    const auto& bareComplete = dynamic_cast<const CRspPassThroughModeComplete&>(*bare);
    EXPECT_EQ(bareComplete.GetDllError(), "00000");
    EXPECT_TRUE(bareComplete.GetAuditData().empty());
}

}  // namespace
}  // namespace tessaly
