#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/Socket.h"
#include "tests/connection/LoopbackPeer.h"

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

    const std::string refused[] = {
        "localhost", "127.1",    "1.2.3.256", "1.2.3",      "1.2.3.4.5",
        " 1.2.3.4",  "1.2.3.4 ", "",          "0x7f.0.0.1", std::string("127.0.0.1\0garbage", 17),
    };
    for (const std::string& text : refused) {
        EXPECT_FALSE(platform::ParseIpv4(text).has_value()) << '"' << text << '"';
    }
}

TEST(Socket, AcceptReportsThePeer) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.SetReuseAddress());
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(1));
    EXPECT_EQ(listener.WaitReadable(20ms), CSocket::WaitResult::TimedOut);

    CSocket client = CSocket::CreateTcp();
    ASSERT_TRUE(client.BindAny(0));
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    EXPECT_EQ(listener.WaitReadable(5s), CSocket::WaitResult::Readable);

    std::string address;
    std::uint16_t port = 0;
    CSocket accepted = listener.Accept(&address, &port);
    ASSERT_TRUE(accepted.IsOpen());
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(port, client.LocalPort());
    EXPECT_NE(port, 0);
}

TEST(Socket, DataAndEndOfStream) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(1));
    CSocket client = CSocket::CreateTcp();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    ASSERT_TRUE(client.SetNoDelay(true));
    CSocket server = listener.Accept();
    ASSERT_TRUE(server.IsOpen());

    EXPECT_EQ(server.WaitReadable(20ms), CSocket::WaitResult::TimedOut);
    const std::uint8_t hello[] = {1, 2, 3};
    ASSERT_TRUE(client.SendAll(hello, sizeof hello));
    EXPECT_EQ(server.WaitReadable(5s), CSocket::WaitResult::Readable);
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(server.Receive(buffer, sizeof buffer), 3);

    client.Close();
    EXPECT_FALSE(client.IsOpen());
    EXPECT_EQ(server.Receive(buffer, sizeof buffer), 0);
    EXPECT_EQ(client.Send(hello, 1), -1);
}

TEST(Socket, ShutdownFromAnotherThreadEndsABlockedReceive) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(1));
    CSocket client = CSocket::CreateTcp();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    CSocket server = listener.Accept();

    std::atomic<bool> ended{false};
    std::ptrdiff_t result = 1;
    std::thread receiver([&] {
        std::uint8_t byte = 0;
        result = server.Receive(&byte, 1);
        ended = true;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(server.Shutdown());
    receiver.join();
    EXPECT_LE(result, 0);
    EXPECT_TRUE(server.IsOpen());  // closing stays with the owner
}

TEST(Socket, WritingToAClosedPeerFailsWithoutASignal) {
    CSocket listener = CSocket::CreateTcp();
    ASSERT_TRUE(listener.Bind("127.0.0.1", 0));
    ASSERT_TRUE(listener.Listen(1));
    CSocket client = CSocket::CreateTcp();
    ASSERT_TRUE(client.Connect("127.0.0.1", listener.LocalPort()));
    listener.Accept().Close();

    const CByteArray block(4096, 0x55);
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; ++i) {
        failed = !client.SendAll(block.data(), block.size());
    }
    EXPECT_TRUE(failed);  // and the process is still alive
}

TEST(Socket, MovingHandsTheSocketOver) {
    CSocket first = CSocket::CreateTcp();
    ASSERT_TRUE(first.IsOpen());
    CSocket second = std::move(first);
    EXPECT_FALSE(first.IsOpen());  // NOLINT(bugprone-use-after-move): the moved-from state is the point
    EXPECT_TRUE(second.IsOpen());
    EXPECT_FALSE(first.BindAny(0));
    EXPECT_TRUE(second.BindAny(0));
    EXPECT_NE(second.LocalPort(), 0);
}

TEST(Socket, RefusedConnection) {
    CSocket probe = CSocket::CreateTcp();
    ASSERT_TRUE(probe.Bind("127.0.0.1", 0));
    const std::uint16_t port = probe.LocalPort();
    probe.Close();  // nobody listens there now
    CSocket client = CSocket::CreateTcp();
    EXPECT_FALSE(client.Connect("127.0.0.1", port));
    EXPECT_FALSE(CSocket::CreateTcp().Connect("localhost", port));
}

}  // namespace
}  // namespace tessaly
