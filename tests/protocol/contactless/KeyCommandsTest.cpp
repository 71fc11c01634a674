#include <gtest/gtest.h>

#include "protocol/incoming/contactless/KeyStationCommands.h"
#include "tests/protocol/contactless/Frames.h"
#include "tests/support/TestPackets.h"

namespace tessaly {
namespace {

using test::Hex;

struct KeyCase {
    test::Frame frame;
    const char* body;
    const char* className;
    CStringArray description;
    const char* writtenBack;  // GetBody, when it differs from the body
};

// Every field of the record, in tag order; the description comes out in the record's own order.
constexpr const char* kFullRecordItems =
    "01 00 01 31  02 00 01 32  03 00 01 33  04 00 02 0A FF  05 00 01 35  06 00 01 36 "
    "07 00 01 37  08 00 01 38  09 00 01 39  0A 00 02 31 30  0B 00 02 31 31  0D 00 02 31 33";

const CStringArray kFullRecordDescription = {
    "Tag Type", "Key Check",      "Item Value", "3", "Tag Type", "Key Comment",       "Item Value", "10",
    "Tag Type", "Key Created",    "Item Value", "7", "Tag Type", "Key Key Encrypted", "Item Value", "0a ff",
    "Tag Type", "Key Expiration", "Item Value", "9", "Tag Type", "Key Generator",     "Item Value", "6",
    "Tag Type", "Key Holder",     "Item Value", "5", "Tag Type", "Key Identifier",    "Item Value", "11",
    "Tag Type", "Key Injection",  "Item Value", "2", "Tag Type", "Key TransformCode", "Item Value", "13",
    "Tag Type", "Key Version",    "Item Value", "8", "Tag Type", "Key Number",        "Item Value", "1",
};

CStringArray Join(CStringArray head, const CStringArray& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

std::vector<KeyCase> KeyCases() {
    return {
        {test::ShortCmd(0x01),
         "03 00 02 41 42 04 00 02 0A FF",
         "CRspKeyRequest",
         {"Command", "Key Request Response", "Field Type", "3", "Field Value", "AB", "Field Type", "4",
          "Field Value", "0a ff"},
         nullptr},
        {test::Cmd(0x01),
         "FF 00 00 04 00 00 00 00 01 58",
         "CRspKeyRequest",
         {"Command", "Key Request Response", "Field Type", "255", "Field Value", "", "Field Type", "4",
          "Field Value", "", "Field Type", "0", "Field Value", "X"},
         nullptr},
        {test::ShortCmd(0x01), "", "CRspKeyRequest", {"Command", "Key Request Response"}, nullptr},
        // A repeated tag replaces the value and keeps the place where the tag first came.
        {test::ShortCmd(0x03),
         "03 00 02 43 4B 04 00 02 01 02 04 00 03 AA BB CC 0A 00 01 78",
         "CRspKeyStore",
         {"Command", "Key Store Response", "Tag Type", "Key Check", "Item Value", "CK", "Tag Type",
          "Key Comment", "Item Value", "x", "Tag Type", "Key Key Encrypted", "Item Value", "aa bb cc"},
         "03 00 02 43 4B 04 00 03 AA BB CC 0A 00 01 78"},
        {test::Cmd(0x03), "", "CRspKeyStore", {"Command", "Key Store Response"}, nullptr},
        {test::ShortCmd(0x03), kFullRecordItems, "CRspKeyStore",
         Join({"Command", "Key Store Response"}, kFullRecordDescription), nullptr},
        {test::Cmd(0x04),
         "11 00 03 03 04 0C 00 00 05 01 00 02 4B 31 00 00 06 03 00 00 04 00 00",
         "CRspObjectRequest",
         {"Command",
          "Object Request Response",
          "Object Type Requested",
          "General",
          "Requested Field",
          "Check",
          "Requested Field",
          "Key Encrypted",
          "Requested Field",
          "Unknown",
          "Number Of Search Items",
          "1",
          "Tag Type",
          "Key Number",
          "Item Value",
          "K1",
          "Number Of Response Items",
          "2",
          "Tag Type",
          "Key Check",
          "Item Value",
          "",
          "Tag Type",
          "Key Key Encrypted",
          "Item Value",
          ""},
         nullptr},
        // No search items: the discarded byte and the response length that follow are still read.
        {test::Cmd(0x04),
         "11 00 00 7F 00 00 7E 00 04 0B 00 01 49",
         "CRspObjectRequest",
         {"Command", "Object Request Response", "Object Type Requested", "General", "Number Of Search Items",
          "0", "Number Of Response Items", "1", "Tag Type", "Key Identifier", "Item Value", "I"},
         nullptr},
        {test::Cmd(0x04),
         "11 00 00 00 00 00 00 00 00",
         "CRspObjectRequest",
         {"Command", "Object Request Response", "Object Type Requested", "General", "Number Of Search Items",
          "0", "Number Of Response Items", "0"},
         nullptr},
        {test::Cmd(0x04),
         "11 00 01 00 00 00 07 0D 00 01 41 0D 00 00 00 00 00 FF",
         "CRspObjectRequest",
         {"Command", "Object Request Response", "Object Type Requested", "General", "Requested Field",
          "Unknown", "Number Of Search Items", "1", "Tag Type", "Key TransformCode", "Item Value", "",
          "Number Of Response Items", "0"},
         "11 00 01 00 00 00 03 0D 00 00 00 00 00"},
        {test::Cmd(0x05),
         "4B 45 59 30 31",
         "CRspObjectDataLoading",
         {"Command", "Data Loaded", "Key Number", "KEY01"},
         nullptr},
        {test::Cmd(0x05), "", "CRspObjectDataLoading", {"Command", "Data Loaded", "Key Number", ""}, nullptr},
    };
}

TEST(KeyCommands, DescriptionsAndBodies) {
    for (const KeyCase& c : KeyCases()) {
        SCOPED_TRACE(c.body);
        auto command = test::Parse(test::MakePacket(c.frame, Hex(c.body)), true);
        ASSERT_NE(command, nullptr);
        EXPECT_STREQ(command->ClassName(), c.className);
        EXPECT_EQ(command->GetCommand(), c.frame.code);
        EXPECT_EQ(command->GetSubCommand(), -1);
        EXPECT_EQ(command->Describe(), c.description);
        EXPECT_EQ(test::ToHex(command->GetBody()), test::ToHex(Hex(c.writtenBack ? c.writtenBack : c.body)));
    }
}

TEST(KeyCommands, KeyRequestAndKeyStoreTravelShort) {
    struct Case {
        test::Frame frame;
        const char* className;
        bool longForm;
    };
    const Case cases[] = {
        {test::ShortCmd(0x01), "CRspKeyRequest", false}, {test::Cmd(0x01), "CRspKeyRequest", false},
        {test::ShortCmd(0x03), "CRspKeyStore", false},   {test::Cmd(0x03), "CRspKeyStore", false},
        {test::Cmd(0x04), "CRspObjectRequest", true},    {test::Cmd(0x05), "CRspObjectDataLoading", true},
    };
    for (const Case& c : cases) {
        const CByteArray body = c.frame.code == 0x04 ? Hex("11 00 00 00 00 00 00 00 00") : CByteArray{};
        auto command = test::Parse(test::MakePacket(c.frame, body), false);
        EXPECT_STREQ(command->ClassName(), c.className);
        EXPECT_EQ(command->UsesLongForm(), c.longForm) << c.className;
    }
    // Object requests and data loading exist only in the long form.
    EXPECT_EQ(test::ParseOutcome(test::ShortCmd(0x04), Hex("11 00 00 00 00 00 00 00 00")),
              "CPassThruParseError");
    EXPECT_EQ(test::ParseOutcome(test::ShortCmd(0x05), Hex("31")), "CPassThruParseError");
}

TEST(KeyCommands, KeyRequestItems) {
    auto parsed = test::Parse(test::ShortPacket(0x01, Hex("03 00 02 41 42 04 00 02 0A FF")), true);
    const auto& items = dynamic_cast<const CRspKeyRequest&>(*parsed).GetItems();
    ASSERT_EQ(items.size(), 2U);
    EXPECT_EQ(items[0].fieldType, 3U);
    EXPECT_TRUE(items[0].isText);
    EXPECT_EQ(items[0].text, "AB");
    EXPECT_EQ(items[1].fieldType, 4U);
    EXPECT_FALSE(items[1].isText);
    EXPECT_EQ(items[1].bytes, Hex("0A FF"));
}

TEST(KeyCommands, KeyRecordExposesEachFieldByTag) {
    auto parsed = test::Parse(test::ShortPacket(0x03, Hex(kFullRecordItems)), true);
    const CKeyObjectRecord& record = dynamic_cast<const CRspKeyStore&>(*parsed).GetRecord();
    EXPECT_EQ(record.CountPresent(), 12);
    const std::pair<std::uint32_t, const char*> texts[] = {
        {CKeyObjectRecord::kTagNumber, "1"},         {CKeyObjectRecord::kTagInjection, "2"},
        {CKeyObjectRecord::kTagCheck, "3"},          {CKeyObjectRecord::kTagHolder, "5"},
        {CKeyObjectRecord::kTagGenerator, "6"},      {CKeyObjectRecord::kTagCreated, "7"},
        {CKeyObjectRecord::kTagVersion, "8"},        {CKeyObjectRecord::kTagExpiration, "9"},
        {CKeyObjectRecord::kTagComment, "10"},       {CKeyObjectRecord::kTagIdentifier, "11"},
        {CKeyObjectRecord::kTagTransformCode, "13"},
    };
    for (const auto& [tag, text] : texts) {
        ASSERT_TRUE(record.Has(tag)) << tag;
        ASSERT_NE(record.GetText(tag), nullptr) << tag;
        EXPECT_EQ(*record.GetText(tag), text);
    }
    ASSERT_NE(record.GetKeyEncrypted(), nullptr);
    EXPECT_EQ(*record.GetKeyEncrypted(), Hex("0A FF"));
    EXPECT_EQ(record.GetText(CKeyObjectRecord::kTagKeyEncrypted), nullptr);
    EXPECT_FALSE(record.Has(12));
    EXPECT_EQ(record.GetText(12), nullptr);

    auto sparse = test::Parse(test::ShortPacket(0x03, Hex("05 00 00")), true);
    const CKeyObjectRecord& one = dynamic_cast<const CRspKeyStore&>(*sparse).GetRecord();
    EXPECT_EQ(one.CountPresent(), 1);
    EXPECT_TRUE(one.Has(CKeyObjectRecord::kTagHolder));  // present though empty
    EXPECT_EQ(*one.GetText(CKeyObjectRecord::kTagHolder), "");
    EXPECT_FALSE(one.Has(CKeyObjectRecord::kTagNumber));
    EXPECT_EQ(one.GetText(CKeyObjectRecord::kTagNumber), nullptr);
    EXPECT_EQ(one.GetKeyEncrypted(), nullptr);
}

TEST(KeyCommands, KeyStoreKeepsTheLastKeyEncrypted) {
    auto parsed = test::Parse(test::ShortPacket(0x03, Hex("04 00 01 11 04 00 02 22 33")), true);
    const CKeyObjectRecord& record = dynamic_cast<const CRspKeyStore&>(*parsed).GetRecord();
    EXPECT_EQ(*record.GetKeyEncrypted(), Hex("22 33"));
    EXPECT_EQ(record.CountPresent(), 1);
}

TEST(KeyCommands, FieldNames) {
    const std::pair<std::uint32_t, const char*> names[] = {
        {0, "Unknown"},       {1, "Number"},         {2, "Injection"}, {3, "Check"},
        {4, "Key Encrypted"}, {5, "Holder"},         {6, "Generator"}, {7, "Created"},
        {8, "Version"},       {9, "Expiration"},     {10, "Comment"},  {11, "Identifier"},
        {12, "Unknown"},      {13, "TransformCode"}, {14, "Unknown"},  {255, "Unknown"},
    };
    for (const auto& [tag, name] : names) {
        EXPECT_STREQ(CKeyObjectRecord::FieldName(tag), name) << tag;
    }
}

TEST(KeyCommands, TagsOutsideTheRecordAreRejected) {
    for (const char* tag : {"00", "0C", "0E", "80", "FF"}) {
        SCOPED_TRACE(tag);
        const CByteArray item = Hex(std::string(tag) + " 00 01 41");
        // Key store, short and long.
        EXPECT_EQ(test::ParseOutcome(test::ShortCmd(0x03), item), "CPassThruParseError");
        CByteArray afterGood = Hex("01 00 01 31");
        afterGood.insert(afterGood.end(), item.begin(), item.end());
        EXPECT_EQ(test::ParseOutcome(test::Cmd(0x03), afterGood), "CPassThruParseError");
        // Object request, in the search items and in the response items.
        CByteArray search = Hex("11 00 00 00 00 04");
        search.insert(search.end(), item.begin(), item.end());
        search.insert(search.end(), {0x00, 0x00, 0x00});
        EXPECT_EQ(test::ParseOutcome(test::Cmd(0x04), search), "CPassThruParseError");
        CByteArray response = Hex("11 00 00 00 00 00 00 00 04");
        response.insert(response.end(), item.begin(), item.end());
        EXPECT_EQ(test::ParseOutcome(test::Cmd(0x04), response), "CPassThruParseError");
    }
    // A key request does not judge its field types.
    EXPECT_EQ(test::ParseOutcome(test::ShortCmd(0x01), Hex("0C 00 01 41")), "CRspKeyRequest");
}

TEST(KeyCommands, ObjectTypeMustBeGeneral) {
    for (const char* type : {"00", "10", "12", "FF"}) {
        EXPECT_EQ(test::ParseOutcome(test::Cmd(0x04), Hex(std::string(type) + " 00 00 00 00 00 00 00 00")),
                  "CPassThruParseError")
            << type;
    }
    auto parsed = test::Parse(test::LongPacket(0x04, Hex("11 00 02 01 04 00 00 00 00 00 00")), true);
    const auto& request = dynamic_cast<const CRspObjectRequest&>(*parsed);
    EXPECT_EQ(request.GetObjectType(), 0x11U);
    EXPECT_EQ(request.GetRequestedFields(), Hex("01 04"));
    EXPECT_EQ(request.GetSearchRecord().CountPresent(), 0);
    EXPECT_EQ(request.GetResponseRecord().CountPresent(), 0);
}

TEST(KeyCommands, ObjectRequestItemsStayWithinTheirLength) {
    struct Case {
        const char* name;
        const char* body;
        const char* outcome;
    };
    const Case cases[] = {
        // S = 4, but the one item is 5 bytes: its last byte would come from the next field.
        {"search item overshoots", "11 00 00 00 00 04 01 00 02 4B 31 00 00 00", "CPassThruParseError"},
        // S = 2: not even the tag and length of an item fit.
        {"search length below one item", "11 00 00 00 00 02 01 00 00 00 00 00", "CPassThruParseError"},
        // S = 6: one 5-byte item and one stray byte that starts no whole item.
        {"search items undershoot", "11 00 00 00 00 06 01 00 02 4B 31 05 00 00 00", "CPassThruParseError"},
        {"response item overshoots", "11 00 00 00 00 00 00 00 03 01 00 01 41", "CPassThruParseError"},
        {"search length beyond the body", "11 00 00 00 00 09 01 00 02 4B 31", "CPassThruParseError"},
        {"response length beyond the body", "11 00 00 00 00 00 00 00 06 01 00 01 41", "CPassThruParseError"},
        {"exact lengths", "11 00 00 00 00 05 01 00 02 4B 31 00 00 04 01 00 01 41", "CRspObjectRequest"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(test::ParseOutcome(test::Cmd(0x04), Hex(c.body)), c.outcome) << c.name;
    }
    auto parsed = test::Parse(
        test::LongPacket(0x04, Hex("11 00 00 00 00 05 01 00 02 4B 31 00 00 04 01 00 01 41")), true);
    const auto& request = dynamic_cast<const CRspObjectRequest&>(*parsed);
    EXPECT_EQ(*request.GetSearchRecord().GetText(CKeyObjectRecord::kTagNumber), "K1");
    EXPECT_EQ(*request.GetResponseRecord().GetText(CKeyObjectRecord::kTagNumber), "A");
}

TEST(KeyCommands, Truncations) {
    // Sequences of items are whole at every item boundary.
    test::ExpectTruncationsRejected(test::ShortCmd(0x01), Hex("03 00 02 41 42 04 00 02 0A FF"), {0, 5},
                                    "CRspKeyRequest");
    test::ExpectTruncationsRejected(test::ShortCmd(0x03), Hex("03 00 02 43 4B 04 00 02 01 02 0A 00 01 78"),
                                    {0, 5, 10}, "CRspKeyStore");
    // An object request has no optional part.
    test::ExpectTruncationsRejected(
        test::Cmd(0x04), Hex("11 00 03 03 04 0C 00 00 05 01 00 02 4B 31 00 00 06 03 00 00 04 00 00"), {},
        "CRspObjectRequest");
    // The key number runs to the end of the body: every cut is a shorter key number.
    test::ExpectTruncationsRejected(test::Cmd(0x05), Hex("4B 45 59"), {0, 1, 2}, "CRspObjectDataLoading");
}

}  // namespace
}  // namespace tessaly
