#include "protocol/ObjCommMessage.h"

#include <limits>

namespace tessaly {
namespace {

constexpr std::uint8_t kPassThrough = 0x0A;
constexpr std::uint8_t kFrameLong = 0x00;
constexpr std::uint8_t kFrameWide = 0x02;

}  // namespace

CByteArray CObjCommMessage::Body() const {
    COutBinaryString out;
    GetBody(out);
    return out.TakeBytes();
}

bool CObjCommMessage::BuildPacket(COutBinaryString& out, std::uint16_t transactionNumber,
                                  const CString& address, bool wideLength) const {
    COutBinaryString payload;
    if (GetCommand() == kPassThrough) {
        payload.AppendByte(static_cast<std::uint8_t>(GetSubCommand())).AppendWord(transactionNumber);
    }
    GetBody(payload);

    out.Reset();
    const bool longForm = wideLength || UsesLongForm();
    if (longForm && address.size() > std::numeric_limits<std::uint8_t>::max()) {
        return false;
    }
    if (wideLength) {
        if (payload.Size() > std::numeric_limits<std::uint32_t>::max()) {
            return false;
        }
        out.AppendByte(kFrameWide).SetLengthPrefix(LengthPrefix::OneByte).AppendString(address);
        out.AppendByte(static_cast<std::uint8_t>(GetCommand()));
        out.SetLengthPrefix(LengthPrefix::FourBytes).AppendBytes(payload.Bytes());
    } else {
        if (payload.Size() > std::numeric_limits<std::uint16_t>::max()) {
            return false;
        }
        if (longForm) {
            out.AppendByte(kFrameLong).SetLengthPrefix(LengthPrefix::OneByte).AppendString(address);
        }
        out.AppendByte(static_cast<std::uint8_t>(GetCommand()));
        out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(payload.Bytes());
    }
    out.SetLengthPrefix(LengthPrefix::None).AppendChecksum();
    return true;
}

}  // namespace tessaly
