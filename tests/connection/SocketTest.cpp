// The platform's TCP sockets: addresses, the peer an accept reports, the end of a stream, a shutdown
// from another thread and a write to a peer that has gone.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "common/Types.h"
#include "platform/Socket.h"

namespace tessaly {
namespace {

using platform::CSocket;
using namespace std::chrono_literals;

TEST(Socket, OnlyDottedDecimalIsAnAddress) {
    const auto loopback = platform::ParseIpv4("127.0.0.1");
    ASSERT_TRUE(loopback.has_value());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&*loopback);
    EXPECT_EQ(bytes[0], 127);  // network byte order
    EXPECT_EQ(bytes[3], 1);
    EXPECT_TRUE(platform::ParseIpv4("255.255.255.255").has_value());
    for (const std::string& text : {std::string("localhost"), std::string("127.1"), std::string("1.2.3.256"),
                                    std::string("1.2.3.4.5"), std::string(" 1.2.3.4"), std::string(""),
                                    std::string("0x7f.0.0.1"), std::string("127.0.0.1\0garbage", 17)}) {
        EXPECT_FALSE(platform::ParseIpv4(text).has_value()) << '"' << text << '"';
    }
    EXPECT_FALSE(CSocket::CreateTcp().Connect("localhost", 1));
}

TEST(Socket, AStreamBetweenTwoEnds) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(1));
    EXPECT_EQ(listener.WaitReadable(20ms), CSocket::WaitResult::TimedOut);
    CSocket client = CSocket::CreateTcp();
    ASSERT_TRUE(client.BindAny(0));
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    EXPECT_EQ(listener.WaitReadable(5s), CSocket::WaitResult::Readable);
    std::string address;
    std::uint16_t port = 0;
    CSocket server = listener.Accept(&address, &port);
    ASSERT_TRUE(server.IsOpen());
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(port, client.LocalPort());

    const std::uint8_t hello[] = {1, 2, 3};
    ASSERT_TRUE(client.SendAll(hello, sizeof hello));
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(server.WaitReadable(5s), CSocket::WaitResult::Readable);
    EXPECT_EQ(server.Receive(buffer, sizeof buffer), 3);

    // A shutdown from another thread ends a receive that waits; closing stays with the owner.
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        EXPECT_TRUE(server.Shutdown());
    });
    EXPECT_LE(server.Receive(buffer, 1), 0);
    stopper.join();
    EXPECT_TRUE(server.IsOpen());

    // Writing to a peer that has gone fails, without a signal that would end the process.
    server.Close();
    const CByteArray block(4096, 0x55);
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; ++i) {
        failed = !client.SendAll(block.data(), block.size());
    }
    EXPECT_TRUE(failed);
    client.Close();
    EXPECT_EQ(client.Send(hello, 1), -1);
}

}  // namespace
}  // namespace tessaly
