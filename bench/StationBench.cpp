// Commands per second through a key station: a host on loopback TCP -> station -> PC/SC -> virtual
// card and back, against SCardTransmit of the same APDU to the same virtual card in the same run;
// then the aggregate rate of eight stations serving eight hosts at once. Figures are the best of
// three one-second runs. Needs the virtual card lab (root, pcscd, vpcd); without it the benchmark
// says so and ends.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cardaccess/PcscReader.h"
#include "keystations/KeyStation.h"
#include "lab/IsoCard.h"
#include "lab/Lab.h"
#include "lab/LabError.h"
#include "platform/PcscApi.h"
#include "platform/Socket.h"
#include "protocol/BinaryString.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/PacketFrame.h"
#include "protocol/PacketReader.h"

namespace {

using namespace tessaly;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kRunTime{1000};
// Each figure is the best of this many runs, the direct and the station runs taking turns, so that
// other load on the machine disturbs both alike.
constexpr int kRounds = 3;
constexpr std::size_t kStations = 8;
const CByteArray kApdu = {0x80, 0xCA, 0x00, 0x00, 0x04};
const CByteArray kAnswer = {0x01, 0x02, 0x03, 0x04, 0x90, 0x00};

// Process of kApdu (case 2) to the contact station, as a host sends it.
CByteArray ProcessPacket(std::uint16_t transaction) {
    COutBinaryString payload;
    AppendPassThroughHeader(payload, 0x05, transaction);
    payload.AppendByte(0x58).AppendByte(0x1E).AppendByte(0x32).AppendWord(0x0000);
    payload.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(kApdu).SetLengthPrefix(LengthPrefix::None);
    COutBinaryString packet;
    if (!WritePacketFrame(packet, kFrameLong, kAddressCardProcessing, kCommandPassThrough, payload.Bytes())) {
        std::abort();
    }
    return packet.TakeBytes();
}

// A host that sends Process commands for `runTime`, each after the answer to the one before.
// Returns the commands answered with the card's data; -1 on a failure.
long HostRun(std::uint16_t port, std::chrono::milliseconds runTime, const std::atomic<bool>* go) {
    platform::CSocket socket = platform::CSocket::CreateTcp();
    if (!socket.Connect("127.0.0.1", port)) {
        return -1;
    }
    socket.SetNoDelay(true);
    while (go != nullptr && !go->load()) {
        std::this_thread::yield();
    }
    long count = 0;
    CPacketReader reader(socket);
    CByteArray answer;
    const Clock::time_point end = Clock::now() + runTime;
    while (Clock::now() < end) {
        const CByteArray packet = ProcessPacket(static_cast<std::uint16_t>(count));
        if (!socket.SendAll(packet.data(), packet.size()) ||
            reader.Read(answer, CPacketReader::kNoTimeOut) != CPacketReader::Result::Packet) {
            return -1;
        }
        // The answer ends with the card's data and status word, then the checksum.
        if (answer.size() < kAnswer.size() + 1 ||
            !std::equal(kAnswer.begin(), kAnswer.end(),
                        answer.end() - 1 - static_cast<std::ptrdiff_t>(kAnswer.size()))) {
            return -1;
        }
        ++count;
    }
    return count;
}

// A port nobody listens on, outside the ephemeral range.
std::uint16_t FreePort() {
    static std::uint16_t next =
        static_cast<std::uint16_t>(21000 + (Clock::now().time_since_epoch().count() % 5000));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::uint16_t port = next++;
        platform::CSocket probe = platform::CSocket::CreateTcp();
        if (probe.Bind("0.0.0.0", port)) {
            return port;
        }
    }
    return 0;
}

double PerSecond(long count, Clock::duration elapsed) {
    return static_cast<double>(count) / std::chrono::duration<double>(elapsed).count();
}

// SCardTransmit of kApdu in a loop, nothing around it.
double DirectRate(const std::string& reader) {
    platform::PcscHandle context = 0;
    platform::PcscHandle card = 0;
    std::uint32_t protocol = 0;
    if (platform::PcscEstablishContext(context) != 0 ||
        platform::PcscConnect(context, reader, card, protocol) != 0) {
        return -1;
    }
    long count = 0;
    std::vector<std::uint8_t> received;
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < kRunTime) {
        if (platform::PcscTransmit(card, protocol, kApdu, 1024, received) != 0 || received != kAnswer) {
            count = -1;
            break;
        }
        ++count;
    }
    const Clock::duration elapsed = Clock::now() - start;
    platform::PcscDisconnect(card, platform::pcsc::Disposition::Leave);
    platform::PcscReleaseContext(context);
    return count < 0 ? -1 : PerSecond(count, elapsed);
}

// CPcscReader::Transmit: the transaction and protocol query a station adds to each exchange.
double ReaderRate(const std::string& reader) {
    CPcscReader pcsc(reader, true);
    if (pcsc.Connect() != 0) {
        return -1;
    }
    long count = 0;
    CByteArray response;
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < kRunTime) {
        if (pcsc.Transmit(0x32, kApdu, response) != 0 || response != kAnswer) {
            return -1;
        }
        ++count;
    }
    return PerSecond(count, Clock::now() - start);
}

int Fail(const char* what) {
    std::cerr << "bench_station: " << what << " failed\n";
    return 1;
}

}  // namespace

int main() {
    if (const std::string why = lab::CLab::Unavailable(); !why.empty()) {
        std::cout << "bench_station: skipped: virtual card lab unavailable: " << why << "\n";
        return 0;
    }
    try {
        lab::CLab lab({"Bench A", "Bench B", "Bench C", "Bench D"});
        std::vector<std::pair<std::string, std::shared_ptr<lab::CVirtualCard>>> cards;
        for (const lab::LabReader& reader : lab.Readers()) {
            auto card = lab::MakeContactCard(lab::Transport::T1);
            card->AnswerPrefix({0x80, 0xCA}, kAnswer);
            cards.emplace_back(reader.name, card);
        }
        lab.InsertAll(cards);
        const std::string& first = lab.Readers()[0].name;

        double direct = 0;
        double throughReader = 0;
        double single = 0;
        const std::uint16_t port = FreePort();
        for (int round = 0; round < kRounds; ++round) {
            const double directRun = DirectRate(first);
            const double readerRun = ReaderRate(first);
            if (directRun <= 0 || readerRun <= 0) {
                return Fail("the direct exchange");
            }
            direct = std::max(direct, directRun);
            throughReader = std::max(throughReader, readerRun);

            CKeyStation station(first, port);
            if (!station.Start()) {
                return Fail("starting the station");
            }
            const Clock::time_point start = Clock::now();
            const long count = HostRun(port, kRunTime, nullptr);
            if (count < 0) {
                return Fail("the host of one station");
            }
            single = std::max(single, PerSecond(count, Clock::now() - start));
        }

        double aggregate = 0;
        std::vector<std::unique_ptr<CKeyStation>> stations;
        std::vector<std::uint16_t> ports;
        for (std::size_t i = 0; i < kStations; ++i) {
            ports.push_back(FreePort());
            stations.push_back(std::make_unique<CKeyStation>(lab.Readers()[i].name, ports.back()));
            if (!stations.back()->Start()) {
                return Fail("starting eight stations");
            }
        }
        for (int round = 0; round < kRounds; ++round) {
            std::atomic<bool> go{false};
            std::vector<long> counts(kStations, 0);
            std::vector<std::thread> hosts;
            for (std::size_t i = 0; i < kStations; ++i) {
                hosts.emplace_back([&, i] { counts[i] = HostRun(ports[i], kRunTime, &go); });
            }
            const Clock::time_point start = Clock::now();
            go.store(true);
            for (std::thread& host : hosts) {
                host.join();
            }
            const Clock::duration elapsed = Clock::now() - start;
            long total = 0;
            for (long count : counts) {
                if (count < 0) {
                    return Fail("the hosts of eight stations");
                }
                total += count;
            }
            aggregate = std::max(aggregate, PerSecond(total, elapsed));
        }

        std::printf("direct SCardTransmit, one card:            %9.0f commands/s\n", direct);
        std::printf("CPcscReader::Transmit, one card:           %9.0f commands/s\n", throughReader);
        std::printf("one station (host -> station -> card):     %9.0f commands/s\n", single);
        std::printf("station / direct SCardTransmit:            %9.2f\n", single / direct);
        std::printf("eight stations, eight hosts at once:       %9.0f commands/s in all (%.0f per station)\n",
                    aggregate, aggregate / kStations);
        return 0;
    } catch (const lab::CLabError& error) {
        std::cout << "bench_station: skipped: the virtual card lab did not start: " << error.what() << "\n";
        return 0;
    }
}
