// The AllowedClients list: syntax, matching and the errors that keep a typing error from opening a
// station to everyone.
#include <gtest/gtest.h>

#include "keystations/ClientFilter.h"

namespace tessaly {
namespace {

struct Match {
    const char* list;
    const char* client;
    bool allowed;
};

TEST(ClientFilter, MatchesAddressesAndNetworks) {
    const Match cases[] = {
        {"127.0.0.1", "127.0.0.1", true},
        {"127.0.0.1", "127.0.0.2", false},
        {"10.1.2.0/24", "10.1.2.255", true},
        {"10.1.2.0/24", "10.1.3.0", false},
        {"10.1.2.77/24", "10.1.2.1", true},  // host bits of the network are ignored
        {"192.168.0.5, 10.0.0.0/8", "10.200.1.1", true},
        {"192.168.0.5;10.0.0.0/8", "192.168.0.5", true},
        {"192.168.0.5  10.0.0.0/8", "192.168.0.6", false},
        {"0.0.0.0/0", "203.0.113.9", true},
        {"10.0.0.0/8", "not an address", false},
        {"1.2.3.4/32", "1.2.3.4", true},
        {"1.2.3.4/31", "1.2.3.5", true},
    };
    for (const Match& c : cases) {
        CString error;
        const auto filter = CClientFilter::Parse(c.list, error);
        ASSERT_TRUE(filter.has_value()) << c.list << ": " << error;
        EXPECT_EQ(filter->Allows(c.client), c.allowed) << c.list << " / " << c.client;
    }
}

TEST(ClientFilter, EmptyListAllowsEveryone) {
    for (const char* list : {"", "  ", " , ;"}) {
        CString error;
        const auto filter = CClientFilter::Parse(list, error);
        ASSERT_TRUE(filter.has_value()) << '"' << list << '"';
        EXPECT_TRUE(filter->AllowsEveryone());
        EXPECT_TRUE(filter->Allows("198.51.100.1"));
        EXPECT_EQ(filter->Describe(), "everyone");
    }
    EXPECT_TRUE(CClientFilter().Allows("198.51.100.1"));
}

TEST(ClientFilter, MalformedEntriesAreErrorsNamingTheEntry) {
    const char* const lists[] = {
        "10.0.0.0/33", "10.0.0/8",    "host.example", "10.0.0.1/",
        "10.0.0.1/x",  "127.0.0.1,*", "300.1.1.1",    "10.0.0.0/-1",
    };
    for (const char* list : lists) {
        CString error;
        EXPECT_FALSE(CClientFilter::Parse(list, error).has_value()) << list;
        EXPECT_NE(error.find("is not an IPv4 address or an address/prefix"), CString::npos) << error;
    }
    CString error;
    (void)CClientFilter::Parse("127.0.0.1, host.example", error);
    EXPECT_EQ(error,
              "\"host.example\" is not an IPv4 address or an address/prefix (for example 10.1.2.0/24)");
}

TEST(ClientFilter, DescribesTheNormalisedList) {
    CString error;
    const auto filter = CClientFilter::Parse("10.1.2.77/24 127.0.0.1", error);
    ASSERT_TRUE(filter.has_value());
    EXPECT_EQ(filter->Describe(), "10.1.2.0/24, 127.0.0.1/32");
}

}  // namespace
}  // namespace tessaly
