// The two serial-memory pass-through commands: one operation (0x0D) or a list of operations with the
// results the host expects (0x0E).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "protocol/ObjCommResponse.h"
#include "protocol/serialmemory/ChipTypes.h"
#include "protocol/serialmemory/SerialMemoryOperation.h"

namespace tessaly {

// One operation as a command carries it. When the chip type has no operation with the code, the code
// and the parameter bytes (as many as the parameter length announces) are kept as they came, so the
// body re-encodes unchanged and a bulk item's expected result is found after them.
class CSerialOperationSlot {
public:
    // Throws CInBinaryStringException for missing bytes, CPassThruParseError for parameters that do not
    // fit the 16-bit parameter length again (possible only in a wide frame).
    void Read(CInBinaryString& body, std::uint32_t chipType, bool extended);
    void Write(COutBinaryString& out) const;
    // "Operation" and the operation's pairs; without an operation "Operation" "Unknown Operation",
    // "Operation Code" ("%02x") and "Parameters" (hex, "None" when empty).
    void Describe(CStringArray& list) const;
    // Operation code, parameter length and parameters.
    std::size_t EncodedLength() const;

    // Null when the chip type has no operation with the code.
    const CRCPtr<CSerialMemoryOperation>& Operation() const { return m_operation; }
    std::uint8_t Code() const { return m_code; }
    // The parameter bytes of an operation that was not made; empty otherwise.
    const CByteArray& RawParams() const { return m_rawParams; }

private:
    CRCPtr<CSerialMemoryOperation> m_operation;
    std::uint8_t m_code = 0;
    CByteArray m_rawParams;
};

class CRspSerialMemoryProcess final : public CResponseFields<CRspSerialMemoryProcess> {
public:
    static constexpr const char* kClassName = "CRspSerialMemoryProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0D;
    static constexpr const char* kDisplayName = "Serial Memory Process";

    CRspSerialMemoryProcess(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    std::uint32_t GetChipType() const { return m_chipType; }
    // Null when the chip type has no operation with the received code.
    const CRCPtr<CSerialMemoryOperation>& GetOperation() const { return m_operation.Operation(); }
    // The received operation code, also when no operation was made.
    std::uint8_t GetOperationCode() const { return m_operation.Code(); }
    const CSerialOperationSlot& GetOperationSlot() const { return m_operation; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_chipType, "Chip Type", describe::Table{kChipTypes, kUnknownChipType});
        if constexpr (V::kReading) {
            m_operation.Read(v.In(), m_chipType, IsExtended());
        } else if constexpr (V::kWriting) {
            m_operation.Write(v.Out());
        } else {
            m_operation.Describe(v.List());
        }
    }

private:
    std::uint32_t m_chipType = 0;
    CSerialOperationSlot m_operation;
};

// One item of a Bulk Serial Process: item length (2, dropped), an operation, the expected result
// (len2 + data; empty when the station need not check the result).
class CBulkSerialProcessCommand {
public:
    // Throws as CSerialOperationSlot::Read, and CPassThruParseError for an item too long for its
    // 16-bit item length.
    CBulkSerialProcessCommand(CInBinaryString& body, std::uint32_t chipType, bool extended);

    const CRCPtr<CSerialMemoryOperation>& GetOperation() const { return m_operation.Operation(); }
    std::uint8_t GetOperationCode() const { return m_operation.Code(); }
    const CSerialOperationSlot& GetOperationSlot() const { return m_operation; }
    const CByteArray& GetExpectedResult() const { return m_expectedResult; }
    // True when the host wants the station to compare the result.
    bool ChecksResult() const { return !m_expectedResult.empty(); }

    // The item bytes after the item length: the operation and the expected result with its prefix.
    std::size_t GetItemLength() const;
    void Write(COutBinaryString& out) const;
    // Appends the operation's pairs and the "Predicted Results" pairs.
    void Describe(CStringArray& list) const;

private:
    CSerialOperationSlot m_operation;
    CByteArray m_expectedResult;
};

class CRspBulkSerialProcess final : public CResponseFields<CRspBulkSerialProcess> {
public:
    static constexpr const char* kClassName = "CRspBulkSerialProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0E;
    static constexpr const char* kDisplayName = "Bulk Serial Process Command";

    CRspBulkSerialProcess(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    std::uint32_t GetChipType() const { return m_chipType; }
    // In arrival order.
    const std::vector<CRCPtr<CBulkSerialProcessCommand>>& GetItems() const { return m_items; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_chipType, "Chip Type", describe::Table{kChipTypes, kUnknownChipType});
        // At most 65535 items: the count arrives in 16 bits.
        std::uint32_t count = static_cast<std::uint32_t>(m_items.size());
        v.U16(count, "Number of Commands", describe::Dec{});
        if constexpr (V::kReading) {
            for (std::uint32_t i = 0; i < count; ++i) {
                m_items.push_back(
                    std::make_shared<CBulkSerialProcessCommand>(v.In(), m_chipType, IsExtended()));
            }
        } else if constexpr (V::kWriting) {
            for (const auto& item : m_items) {
                item->Write(v.Out());
            }
        } else {
            for (const auto& item : m_items) {
                item->Describe(v.List());
            }
        }
    }

private:
    std::uint32_t m_chipType = 0;
    std::vector<CRCPtr<CBulkSerialProcessCommand>> m_items;
};

}  // namespace tessaly
