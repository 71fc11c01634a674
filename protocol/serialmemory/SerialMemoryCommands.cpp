#include "protocol/serialmemory/SerialMemoryCommands.h"

#include <utility>

#include "protocol/serialmemory/OperationFactory.h"
#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/PassThruErrors.h"

namespace tessaly {
namespace {

// The widest value a 16-bit length field can carry.
constexpr std::size_t kMaxLength16 = 0xFFFF;

}  // namespace

void CSerialOperationSlot::Read(CInBinaryString& body, std::uint32_t chipType, bool extended) {
    const std::int32_t start = body.Position();
    std::unique_ptr<CSerialMemoryOperation> operation = CreateOperation(chipType, body, extended);
    if (operation != nullptr) {
        if (operation->GetParamLength() > kMaxLength16) {
            throw CPassThruParseError();
        }
        m_code = operation->GetOperationCode();
        m_operation = std::move(operation);
        m_rawParams.clear();
        return;
    }
    // No operation for this chip: keep the bytes the parameter length announces.
    m_operation.reset();
    body.SetPosition(start);
    m_code = body.ReadByte();
    body.ReadBytes(m_rawParams, LengthPrefix::TwoBytes);
}

void CSerialOperationSlot::Write(COutBinaryString& out) const {
    if (m_operation != nullptr) {
        m_operation->Write(out);
        return;
    }
    out.AppendByte(m_code);
    out.SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(m_rawParams).SetLengthPrefix(LengthPrefix::None);
}

void CSerialOperationSlot::Describe(CStringArray& list) const {
    if (m_operation != nullptr) {
        m_operation->Describe(list);
        return;
    }
    list.emplace_back("Operation");
    list.emplace_back("Unknown Operation");
    list.emplace_back("Operation Code");
    list.push_back(FormatText("%02x", static_cast<unsigned>(m_code)));
    list.emplace_back("Parameters");
    list.push_back(m_rawParams.empty() ? CString("None") : HexString(m_rawParams));
}

std::size_t CSerialOperationSlot::EncodedLength() const {
    const std::size_t params = m_operation != nullptr ? m_operation->GetParamLength() : m_rawParams.size();
    return 1 + 2 + params;
}

CBulkSerialProcessCommand::CBulkSerialProcessCommand(CInBinaryString& body, std::uint32_t chipType,
                                                     bool extended) {
    (void)body.ReadWord();  // the item length; the operation and the result delimit themselves
    m_operation.Read(body, chipType, extended);
    body.ReadBytes(m_expectedResult, LengthPrefix::TwoBytes);
    if (GetItemLength() > kMaxLength16) {
        throw CPassThruParseError();
    }
}

std::size_t CBulkSerialProcessCommand::GetItemLength() const {
    return m_operation.EncodedLength() + 2 + m_expectedResult.size();
}

void CBulkSerialProcessCommand::Write(COutBinaryString& out) const {
    out.AppendWord(static_cast<std::uint16_t>(GetItemLength()));
    m_operation.Write(out);
    out.SetLengthPrefix(LengthPrefix::TwoBytes)
        .AppendBytes(m_expectedResult)
        .SetLengthPrefix(LengthPrefix::None);
}

void CBulkSerialProcessCommand::Describe(CStringArray& list) const {
    m_operation.Describe(list);
    list.emplace_back("Predicted Results");
    if (m_expectedResult.empty()) {
        list.emplace_back("KBX is not responsible to check result");
        return;
    }
    list.emplace_back("KBX is responsible to check result");
    list.emplace_back("Resultant Data");
    list.push_back(HexString(m_expectedResult));
}

}  // namespace tessaly
