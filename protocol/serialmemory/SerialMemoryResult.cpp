#include "protocol/serialmemory/SerialMemoryResult.h"

#include <stdexcept>
#include <utility>

#include "protocol/serialmemory/ChipTypes.h"
#include "common/Format.h"
#include "common/TextEncoding.h"
#include "protocol/PassThruErrors.h"

namespace tessaly {
namespace {

struct ChipOperationName {
    std::uint8_t chipType;
    std::uint8_t operationCode;
    const char* name;
};

// Operations that every chip type knows.
constexpr CodeText kAnyChipResultNames[] = {
    {0x01, "Eject"},         {0x0D, "Enable Vpp"},  {0x0E, "Disable Vpp"}, {0x0F, "Set Pad"},
    {0x11, "Enable Rx/Tx"},  {0x13, "Set ETU"},     {0x16, "Delay Msec"},  {0x17, "Delay Time"},
    {0x18, "Program Clock"}, {0x19, "Program Vcc"}, {0x1A, "Program Vpp"},
};

// Per chip. The SLE 4406 (0x88) reports under the SLE 4436 rows.
constexpr ChipOperationName kChipResultNames[] = {
    {0x81, 0x02, "Change PSC"},
    {0x81, 0x03, "Verify PSC"},
    {0x81, 0x04, "Write Memory"},

    {0x82, 0x02, "Verification"},
    {0x82, 0x04, "Write Memory"},
    {0x82, 0x05, "Write Protection"},
    {0x82, 0x06, "Write Security"},

    {0x83, 0x02, "Address Reset"},
    {0x83, 0x03, "Increment Address"},
    {0x83, 0x04, "Present Transport Code"},
    {0x83, 0x06, "Erase Bit With Carry"},
    {0x83, 0x07, "Write Bit"},
    {0x83, 0x08, "Write Bit Address"},
    {0x83, 0x09, "Write Bit Increment Address"},
    {0x83, 0x0A, "Read Bit"},
    {0x83, 0x0B, "Read Bit Address"},
    {0x83, 0x0C, "Read Bit Increment Address"},

    {0x84, 0x00, "Reset Card"},
    {0x84, 0x02, "Address Reset"},
    {0x84, 0x03, "Increment Address"},
    {0x84, 0x04, "Present Code"},
    {0x84, 0x05, "Erase Words"},
    {0x84, 0x06, "Write Bit 200ms"},
    {0x84, 0x07, "Write Bytes"},
    {0x84, 0x0B, "Set Write Delay"},

    {0x85, 0x00, "Reset Card"},
    {0x85, 0x02, "Increment to Address"},
    {0x85, 0x03, "Write Bytes"},
    {0x85, 0x04, "Write Byte"},
    {0x85, 0x07, "Initialize"},

    {0x86, 0x02, "Address Reset"},
    {0x86, 0x03, "Increment Address"},
    {0x86, 0x04, "Present Transport Code"},
    {0x86, 0x05, "Program Bit"},
    {0x86, 0x06, "Read Bit"},
    {0x86, 0x09, "Blow Configuration Fuse"},
    {0x86, 0x0A, "Check Configuration Fuse"},

    {0x87, 0x00, "Reset Card"},
    {0x87, 0x02, "Write Byte"},
    {0x87, 0x03, "Multi-Byte Write"},
    {0x87, 0x04, "Page Write"},
};

constexpr const char* kUnknownOperation = "Unknown Operation";

}  // namespace

const char* ResultOperationName(std::uint32_t chipType, std::uint32_t operationCode) {
    const char* name = LookupText(kAnyChipResultNames, operationCode, nullptr);
    if (name != nullptr) {
        return name;
    }
    const std::uint32_t rowsOf = chipType == kChipSle4406 ? kChipSle4436 : chipType;
    for (const ChipOperationName& row : kChipResultNames) {
        if (row.chipType == rowsOf && row.operationCode == operationCode) {
            return row.name;
        }
    }
    return kUnknownOperation;
}

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
