#include "protocol/incoming/contactless/KeyStationCommands.h"

#include "protocol/PassThruErrors.h"

namespace tessaly {

void CRspObjectRequest::CheckObjectType() const {
    if (m_objectType != kGeneralObject) {
        throw CPassThruParseError();
    }
}

void CRspObjectRequest::ReadItemBlock(CInBinaryString& in, CKeyObjectRecord& record) {
    const std::uint16_t length = in.ReadWord();
    // The items are read from their own block: one whose sizes overshoot the announced length must
    // not take its bytes from the fields that follow.
    CInBinaryString block;
    in.ReadBytes(block.Bytes(), static_cast<std::int64_t>(length));
    try {
        while (block.Remaining() != 0) {
            record.ReadItem(block);
        }
    } catch (const CInBinaryStringException&) {
        throw CPassThruParseError();
    }
}

void CRspObjectRequest::WriteItemBlock(COutBinaryString& out, const CKeyObjectRecord& record) {
    // Items come from a block of at most 0xFFFF bytes and a repeated tag only shrinks them.
    out.AppendWord(static_cast<std::uint16_t>(record.EncodedSize()));
    record.WriteItems(out);
}

}  // namespace tessaly
