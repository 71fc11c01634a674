// Acknowledgements of the serial-memory commands: one result record, or a status and a list of them.
#pragma once

#include <cstdint>
#include <vector>

#include "common/ValueTable.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/outgoing/MessageLayout.h"
#include "protocol/serialmemory/SerialMemoryResult.h"

namespace tessaly {

// The result that stands in for a missing one: the function is unavailable, no operation known.
CRCPtr<CSerialMemoryResult> UnavailableResult();

// One result record (Write), described by its own lines.
class CMsgSerialMemoryProcess final : public CMessageFields<CMsgSerialMemoryProcess> {
public:
    static constexpr const char* kClassName = "CMsgSerialMemoryProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0D;
    static constexpr const char* kTitle = "Serial Memory Process Acknowledge";

    // A null result is answered as UnavailableResult().
    CMsgSerialMemoryProcess(CRCPtr<CSerialMemoryResult> result, bool extended)
        : CMessageFields(extended), m_result(result ? std::move(result) : UnavailableResult()) {}
    CMsgSerialMemoryProcess(CInBinaryString& body, bool extended) : CMessageFields(extended) {
        ReadBody(body);
    }

    const CSerialMemoryResult& GetResult() const { return *m_result; }

    template <class V>
    void Visit(V& v) {
        if constexpr (V::kReading) {
            m_result = CSerialMemoryResult::Read(v.In());
        } else if constexpr (V::kWriting) {
            m_result->Write(v.Out());
        } else {
            m_result->Describe(v.List());
        }
    }

private:
    CRCPtr<CSerialMemoryResult> m_result;
};

inline constexpr std::uint8_t kBulkSerialSuccess = '0';
inline constexpr std::uint8_t kBulkSerialFailed = '5';
inline constexpr std::uint8_t kBulkSerialUnavailable = '6';
inline constexpr CodeText kBulkSerialStatuses[] = {{'0', "Success"}, {'5', "Command Failed"}};

// Status (1 character); count (2); one result record per element. The executor appends the results.
class CMsgBulkSerialProcess final : public CMessageFields<CMsgBulkSerialProcess> {
public:
    static constexpr const char* kClassName = "CMsgBulkSerialProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0E;
    static constexpr const char* kTitle = "Bulk Serial Process Acknowledge";

    CMsgBulkSerialProcess(std::uint8_t status, bool extended) : CMessageFields(extended), m_status(status) {}
    CMsgBulkSerialProcess(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    // False (and nothing appended) for a null result or once the 16-bit count is full.
    bool Add(CRCPtr<CSerialMemoryResult> result);
    void SetStatus(std::uint8_t status) { m_status = status; }
    std::uint8_t GetStatus() const { return m_status; }
    const std::vector<CRCPtr<CSerialMemoryResult>>& GetResults() const { return m_results; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_status, "Status of Execution", describe::Table{kBulkSerialStatuses, "Unknown Status"});
        auto count = static_cast<std::uint16_t>(m_results.size());
        v.U16(count, "Number of Commands", describe::Dec{});
        if constexpr (V::kReading) {
            m_results.clear();
            for (std::uint16_t i = 0; i < count; ++i) {
                m_results.push_back(CSerialMemoryResult::Read(v.In()));
            }
        } else if constexpr (V::kWriting) {
            for (const CRCPtr<CSerialMemoryResult>& result : m_results) {
                result->Write(v.Out());
            }
        } else {
            for (const CRCPtr<CSerialMemoryResult>& result : m_results) {
                result->Describe(v.List());
            }
        }
    }

private:
    std::uint8_t m_status = kBulkSerialSuccess;
    std::vector<CRCPtr<CSerialMemoryResult>> m_results;
};

}  // namespace tessaly
