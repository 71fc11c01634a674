#include "protocol/serialmemory/SerialMemoryResult.h"

#include <stdexcept>
#include <utility>

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/PassThruErrors.h"
#include "protocol/serialmemory/ChipTypes.h"

namespace tessaly {

CSerialMemoryResult::CSerialMemoryResult(std::uint8_t errorIndicator, std::uint32_t returnCode,
                                         std::uint8_t chipType, std::uint8_t operationCode)
    : m_errorIndicator(errorIndicator),
      m_returnCode(returnCode),
      m_chipType(chipType),
      m_operationCode(operationCode) {}

CSerialMemoryResult::CSerialMemoryResult(const Record& record)
    : CSerialMemoryResult(record.errorIndicator, record.returnCode, record.chipType, record.operationCode) {}

CSerialMemoryResult::CSerialMemoryResult(CInBinaryString& in)
    : CSerialMemoryResult([&in] {
          Record record = ReadRecord(in);
          if (!record.data.empty()) {
              throw CPassThruParseError();
          }
          return record;
      }()) {}

CSerialMemoryResult::Record CSerialMemoryResult::ReadRecord(CInBinaryString& in) {
    Record record;
    const std::uint16_t length = in.ReadWord();
    record.errorIndicator = in.ReadByte();
    record.returnCode = in.ReadDWord();
    record.chipType = in.ReadByte();
    record.operationCode = in.ReadByte();
    if (length < kFixedLength) {
        throw CPassThruParseError();
    }
    if (length > kFixedLength) {
        // Only a successful operation carries data; anything else with a longer record is corrupt.
        if (record.errorIndicator != kSmGotResponse || record.returnCode != 0) {
            throw CPassThruParseError();
        }
        in.ReadBytes(record.data, static_cast<std::int64_t>(length - kFixedLength));
    }
    return record;
}

CRCPtr<CSerialMemoryResult> CSerialMemoryResult::Read(CInBinaryString& in) {
    Record record = ReadRecord(in);
    if (record.data.empty()) {
        return std::make_shared<CSerialMemoryResult>(record.errorIndicator, record.returnCode,
                                                     record.chipType, record.operationCode);
    }
    return std::make_shared<CSerialMemoryDataResult>(record.errorIndicator, record.returnCode,
                                                     record.chipType, record.operationCode,
                                                     std::move(record.data));
}

void CSerialMemoryResult::DescribeOperation(CStringArray& list) const {
    list.emplace_back(ResultOperationName(m_chipType, m_operationCode));
}

void CSerialMemoryResult::Write(COutBinaryString& out) const {
    const bool withData = CarriesData();
    out.AppendWord(static_cast<std::uint16_t>(withData ? GetParamLength() : kFixedLength));
    out.AppendByte(m_errorIndicator)
        .AppendDWord(m_returnCode)
        .AppendByte(m_chipType)
        .AppendByte(m_operationCode);
    if (withData) {
        WriteData(out);
    }
}

void CSerialMemoryResult::Describe(CStringArray& list) const {
    list.emplace_back("Error Indicator");
    list.emplace_back(LookupText(kSmErrorIndicators, m_errorIndicator, "Unknown Value"));
    list.emplace_back("Return Code");
    list.push_back(FormatText("%08x", m_returnCode));
    list.emplace_back("Chip Type");
    list.emplace_back(ChipTypeText(m_chipType));
    list.emplace_back("Operation");
    DescribeOperation(list);
    DescribeData(list);
}

CSerialMemoryDataResult::CSerialMemoryDataResult(std::uint8_t errorIndicator, std::uint32_t returnCode,
                                                 std::uint8_t chipType, std::uint8_t operationCode,
                                                 CByteArray data)
    : CSerialMemoryResult(errorIndicator, returnCode, chipType, operationCode), m_data(std::move(data)) {
    if (m_data.size() > kMaxData) {
        throw std::length_error("serial-memory result data does not fit its 16-bit length");
    }
}

CSerialMemoryDataResult::CSerialMemoryDataResult(Record&& record)
    : CSerialMemoryResult(record), m_data(std::move(record.data)) {}

CSerialMemoryDataResult::CSerialMemoryDataResult(CInBinaryString& in)
    : CSerialMemoryDataResult(ReadRecord(in)) {}

std::uint32_t CSerialMemoryDataResult::GetParamLength() const {
    return kFixedLength + static_cast<std::uint32_t>(m_data.size());
}

void CSerialMemoryDataResult::WriteData(COutBinaryString& out) const {
    const LengthPrefix mode = out.Prefix();
    out.SetLengthPrefix(LengthPrefix::None).AppendBytes(m_data).SetLengthPrefix(mode);
}

void CSerialMemoryDataResult::DescribeData(CStringArray& list) const {
    // Empty data travels as a plain record and reads back without a data line: describe it the same.
    if (!CarriesData() || m_data.empty()) {
        return;
    }
    list.emplace_back("Data");
    list.push_back(HexString(m_data));
}

}  // namespace tessaly
