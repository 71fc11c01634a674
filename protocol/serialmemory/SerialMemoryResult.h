// The outcome of one serial-memory operation, as the acknowledgements carry it back to the host.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/Types.h"
#include "common/ValueTable.h"
#include "protocol/BinaryString.h"

namespace tessaly {

// Error indicator values (ASCII digits on the wire).
inline constexpr std::uint8_t kSmGotResponse = 0x30;          // '0'
inline constexpr std::uint8_t kSmTimedOut = 0x31;             // '1'
inline constexpr std::uint8_t kSmFunctionUnavailable = 0x36;  // '6'

inline constexpr CodeText kSmErrorIndicators[] = {
    {0x30, "Got Response"},
    {0x31, "Timed Out"},
    {0x36, "Function is Unavailable"},
};

// The name under which a result reports its operation ("Unknown Operation" when the chip has no
// such code). These names differ from the operations' own (0x01 reads "Eject", not "Eject Card");
// both are in the chip families' operation rows (OperationFactory.cpp joins them).
const char* ResultOperationName(std::uint32_t chipType, std::uint32_t operationCode);

// Wire form: length (2), error indicator (1), return code (4), chip type (1), operation code (1).
// The length counts the bytes after it: 7, or GetParamLength() when the operation succeeded
// (indicator 0x30, return code 0), in which case WriteData appends the result's data.
class CSerialMemoryResult {
public:
    static constexpr std::uint32_t kFixedLength = 7;

    CSerialMemoryResult(std::uint8_t errorIndicator, std::uint32_t returnCode, std::uint8_t chipType,
                        std::uint8_t operationCode);
    // Reads one record that carries no data. A record with data is refused with CPassThruParseError
    // (this type could not keep it): read such records with Read. Missing bytes throw
    // CInBinaryStringException, a length below 7 or data after a failed operation CPassThruParseError.
    explicit CSerialMemoryResult(CInBinaryString& in);
    CSerialMemoryResult(const CSerialMemoryResult&) = default;
    CSerialMemoryResult& operator=(const CSerialMemoryResult&) = default;
    virtual ~CSerialMemoryResult() = default;

    // Reads one record, with or without data, into the type that can hold it.
    static CRCPtr<CSerialMemoryResult> Read(CInBinaryString& in);

    // The length written for a successful operation: the fixed fields plus the data.
    virtual std::uint32_t GetParamLength() const { return kFixedLength; }
    // Replaces `out` with the result's data; the base result has none.
    virtual void GetData(CByteArray& out) const { out.clear(); }
    // Appends the data after the operation code of a successful operation.
    virtual void WriteData(COutBinaryString& /*out*/) const {}
    // Appends the operation's name (the value of the "Operation" pair).
    virtual void DescribeOperation(CStringArray& list) const;
    // Appends the pairs that describe the data.
    virtual void DescribeData(CStringArray& /*list*/) const {}

    // Appends the wire form.
    void Write(COutBinaryString& out) const;
    // Appends the label/value pairs.
    void Describe(CStringArray& list) const;

    std::uint8_t GetErrorIndicator() const { return m_errorIndicator; }
    std::uint32_t GetReturnCode() const { return m_returnCode; }
    std::uint8_t GetChipType() const { return m_chipType; }
    std::uint8_t GetOperationCode() const { return m_operationCode; }
    // True when the record carries data on the wire: the operation got a response and succeeded.
    bool CarriesData() const { return m_errorIndicator == kSmGotResponse && m_returnCode == 0; }

protected:
    struct Record {
        std::uint8_t errorIndicator = 0;
        std::uint32_t returnCode = 0;
        std::uint8_t chipType = 0;
        std::uint8_t operationCode = 0;
        CByteArray data;
    };
    static Record ReadRecord(CInBinaryString& in);
    explicit CSerialMemoryResult(const Record& record);

private:
    std::uint8_t m_errorIndicator;
    std::uint32_t m_returnCode;
    std::uint8_t m_chipType;
    std::uint8_t m_operationCode;
};

// A result that carries the data an operation read (for example a memory read). The data travels
// only when the operation succeeded; otherwise the record is the plain 7-byte form.
class CSerialMemoryDataResult : public CSerialMemoryResult {
public:
    // The 16-bit length must hold the fixed fields and the data.
    static constexpr std::size_t kMaxData = 0xFFFF - kFixedLength;

    // Throws std::length_error when `data` is longer than kMaxData.
    CSerialMemoryDataResult(std::uint8_t errorIndicator, std::uint32_t returnCode, std::uint8_t chipType,
                            std::uint8_t operationCode, CByteArray data);
    // Reads one record with or without data (see CSerialMemoryResult).
    explicit CSerialMemoryDataResult(CInBinaryString& in);

    std::uint32_t GetParamLength() const override;
    void GetData(CByteArray& out) const override { out = m_data; }
    void WriteData(COutBinaryString& out) const override;
    // "Data" and the bytes in hex ("None" when empty), only when the data is on the wire.
    void DescribeData(CStringArray& list) const override;

    const CByteArray& Data() const { return m_data; }

private:
    CSerialMemoryDataResult(Record&& record);

    CByteArray m_data;
};

}  // namespace tessaly
