#include "tests/support/TestPackets.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "common/TextEncoding.h"
#include "protocol/BinaryString.h"

namespace tessaly::test {

CByteArray Hex(const std::string& text) {
    CByteArray bytes;
    EXPECT_TRUE(ParseHex(text, bytes)) << "not hex: " << text;
    return bytes;
}

std::string ToHex(const CByteArray& bytes) {
    std::string text = HexSpaced(bytes);
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

CByteArray Joined(const std::vector<CByteArray>& parts) {
    CByteArray all;
    for (const CByteArray& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

CByteArray Slice(const CByteArray& bytes, std::size_t from, std::size_t to) {
    return CByteArray(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                      bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

CByteArray Framed(std::uint8_t frameType, const CString& address, std::uint8_t command,
                  const CByteArray& payload) {
    COutBinaryString out;
    EXPECT_TRUE(WritePacketFrame(out, frameType, address, command, payload));
    return out.TakeBytes();
}

CByteArray LongPacket(std::uint8_t command, const CByteArray& payload) {
    return Framed(kFrameLong, kAddressKeyStation, command, payload);
}

CByteArray PassThroughPacket(std::uint8_t subCommand, std::uint16_t transaction, const CByteArray& body,
                             const CString& address, std::uint8_t frameType) {
    COutBinaryString payload;
    AppendPassThroughHeader(payload, subCommand, transaction);
    payload.AppendBytes(body);
    return Framed(frameType, address, kCommandPassThrough, payload.Bytes());
}

CByteArray ShortPacket(std::uint8_t command, const CByteArray& payload) {
    return Framed(command, {}, command, payload);
}

void RecordSeed(const char* target, const CByteArray& packet) {
    const char* dir = std::getenv("TESSALY_SEED_DIR");
    if (dir == nullptr || *dir == '\0' || packet.empty()) {
        return;
    }
    std::ofstream seeds(std::string(dir) + "/" + target + ".txt", std::ios::app);
    seeds << ToHex(packet) << "\n";
}

std::unique_ptr<CObjCommResponse> Parse(const CByteArray& packet, bool extended, std::uint32_t* transaction) {
    RecordSeed("fuzz_response_factory", packet);
    CInBinaryString in(packet);
    std::uint32_t number = 0;
    auto response = CObjCommResponse::CreateFromPacket(in, number, extended);
    if (transaction != nullptr) {
        *transaction = number;
    }
    return response;
}

std::unique_ptr<CObjCommResponse> ParseBody(std::uint8_t subCommand, const CByteArray& body, bool extended) {
    return Parse(PassThroughPacket(subCommand, 1, body), extended);
}

CByteArray Reframe(const CObjCommResponse& response, std::uint16_t transaction) {
    const CByteArray body = response.GetBody();
    if (response.GetCommand() == kCommandPassThrough) {
        return PassThroughPacket(static_cast<std::uint8_t>(response.GetSubCommand()), transaction, body);
    }
    if (!response.UsesLongForm()) {
        return ShortPacket(static_cast<std::uint8_t>(response.GetCommand()), body);
    }
    return LongPacket(static_cast<std::uint8_t>(response.GetCommand()), body);
}

}  // namespace tessaly::test
