// The "Edit Configuration" rules: offered readers, proposed port, the checks of Add and Remove with
// their exact messages, and what Save hands back.
#include <gtest/gtest.h>

#include "keystations/EditConfiguration.h"

namespace tessaly {
namespace {

const CStringArray kPcscReaders = {"Lab Contact 00 01", "Lab Contact 00 00", "alpha reader", "Zeta"};

TEST(EditConfiguration, OffersTheUnusedReadersSorted) {
    const CEditConfiguration editor({{"Lab Contact 00 00", 5001}, {"Missing Reader", 5003}}, kPcscReaders);
    EXPECT_EQ(editor.OfferedReaders(), (CStringArray{"alpha reader", "Lab Contact 00 01", "Zeta"}));
    ASSERT_EQ(editor.Rows().size(), 2U);
    EXPECT_EQ(editor.Rows()[1].readerName, "Missing Reader");
    EXPECT_EQ(editor.Rows()[1].portText, "5003");
    // Rows exclude readers by exact name only.
    const CEditConfiguration other({{"lab contact 00 00", 1}}, kPcscReaders);
    EXPECT_EQ(other.OfferedReaders().size(), 4U);
}

TEST(EditConfiguration, ProposesTheHighestPortPlusOne) {
    CEditConfiguration editor({}, kPcscReaders);
    EXPECT_EQ(editor.ProposedPort(), 1);
    EXPECT_EQ(editor.Add("Zeta", "5001"), std::nullopt);
    EXPECT_EQ(editor.ProposedPort(), 5002);
    EXPECT_EQ(editor.Add("alpha reader", "17"), std::nullopt);
    EXPECT_EQ(editor.ProposedPort(), 5002);
}

struct Refusal {
    const char* reader;
    const char* port;
    const char* message;
};

TEST(EditConfiguration, AddRefusesWithTheDialogsMessages) {
    const Refusal cases[] = {
        {"Zeta", "abc", "Please enter an integer."},
        {"Zeta", "", "Please enter an integer."},
        {"Zeta", "12x", "Please enter an integer."},
        {"Zeta", "99999999999", "Please enter an integer."},
        {"Zeta", "0", "Please enter an integer between 1 and 30000."},
        {"Zeta", "30001", "Please enter an integer between 1 and 30000."},
        {"Zeta", "-5", "Please enter an integer between 1 and 30000."},
        // The port is checked before the reader.
        {"", "5001", "Port 5001 is already in use.  Select another port"},
        {"Zeta", " 5001 ", "Port 5001 is already in use.  Select another port"},
        {"", "5002", "Please select a reader name"},
        {"   ", "5002", "Please select a reader name"},
        {"Lab Contact 00 00", "5002",
         "\"Lab Contact 00 00\" is not one of the readers offered (PC/SC readers not yet used)"},
        {"No Such Reader", "5002",
         "\"No Such Reader\" is not one of the readers offered (PC/SC readers not yet used)"},
    };
    for (const Refusal& c : cases) {
        CEditConfiguration editor({{"Lab Contact 00 00", 5001}}, kPcscReaders);
        EXPECT_EQ(editor.Add(c.reader, c.port), std::optional<CString>(c.message))
            << c.reader << " " << c.port;
        EXPECT_EQ(editor.Rows().size(), 1U);
    }
}

TEST(EditConfiguration, AddAppendsAndWithdrawsTheReader) {
    CEditConfiguration editor({{"Lab Contact 00 00", 5001}}, kPcscReaders);
    EXPECT_EQ(editor.Add("Lab Contact 00 01", "30000"), std::nullopt);
    EXPECT_EQ(editor.Add("Zeta", "1"), std::nullopt);
    EXPECT_EQ(editor.OfferedReaders(), (CStringArray{"alpha reader"}));
    const std::vector<KeyStationEntry> expected = {
        {"Lab Contact 00 00", 5001}, {"Lab Contact 00 01", 30000}, {"Zeta", 1}};
    EXPECT_EQ(editor.Entries(), expected);
    EXPECT_EQ(
        editor.Add("Zeta", "2"),
        std::optional<CString>("\"Zeta\" is not one of the readers offered (PC/SC readers not yet used)"));
}

TEST(EditConfiguration, RemoveNeedsASelectionAndOffersTheReaderAgain) {
    CEditConfiguration editor({{"Lab Contact 00 00", 5001}, {"Zeta", 5002}, {"Missing", 5003}}, kPcscReaders);
    EXPECT_EQ(editor.Remove(), std::optional<CString>("Please select the reader you would like to remove."));
    editor.Select(3);
    EXPECT_EQ(editor.Selection(), -1);
    EXPECT_EQ(editor.Remove(), std::optional<CString>("Please select the reader you would like to remove."));

    editor.Select(0);
    EXPECT_EQ(editor.Remove(), std::nullopt);
    EXPECT_EQ(editor.Selection(), 0);  // the row that took its place
    EXPECT_EQ(editor.OfferedReaders(),
              (CStringArray{"alpha reader", "Lab Contact 00 00", "Lab Contact 00 01"}));

    editor.Select(1);  // the last row
    EXPECT_EQ(editor.Remove(), std::nullopt);
    EXPECT_EQ(editor.Selection(), 0);  // the new last row
    EXPECT_EQ(editor.OfferedReaders(),
              (CStringArray{"alpha reader", "Lab Contact 00 00", "Lab Contact 00 01", "Missing"}));

    EXPECT_EQ(editor.Remove(), std::nullopt);
    EXPECT_EQ(editor.Selection(), -1);
    EXPECT_TRUE(editor.Entries().empty());
    EXPECT_EQ(editor.ProposedPort(), 1);
}

TEST(EditConfiguration, PortsAboveTheSignedRangeSurviveSave) {
    const CEditConfiguration editor({{"Reader", static_cast<std::int16_t>(-25536)}}, {});
    EXPECT_EQ(editor.Rows()[0].portText, "40000");
    EXPECT_EQ(editor.ProposedPort(), 40001);
    EXPECT_EQ(editor.Entries()[0].UnsignedPort(), 40000);
}

}  // namespace
}  // namespace tessaly
