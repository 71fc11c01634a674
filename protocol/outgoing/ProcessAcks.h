// Acknowledgements of APDU exchanges: Process, Bulk Process (a list of Process acknowledgements) and
// Card Command Simulation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/ValueTable.h"
#include "protocol/ObjCommMessage.h"
#include "protocol/cipher/CipherEnvelope.h"
#include "protocol/outgoing/MessageLayout.h"

namespace tessaly {

// One APDU exchange. Four layouts, by length-first and extended:
//   length-first, extended:   length (= response + 7); indicator; flags (2); rc (4); response
//   length-first:             length (= response + 2); indicator; rc (1); response
//   indicator-first, extended: indicator; flags (2); length (= response + 4); rc (4); response
//   indicator-first:          indicator; length (= response + 1); rc (1); response
// The length counts the bytes after it, so each layout delimits itself (Bulk Process relies on it).
//
// With flag 0x0004 the response travels as its enciphered envelope. Should the envelope fail, or no
// cipher context be given, the answer carries no response and the return code 0x89 (enciphered data
// could not be handled): the card's answer never goes out in clear, and a failure is never reported
// as success.
class CMsgProcess final : public CMessageFields<CMsgProcess> {
public:
    static constexpr const char* kClassName = "CMsgProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x05;
    static constexpr const char* kTitle = "Process Acknowledge";

    static constexpr std::uint16_t kFlagEncipherResponse = 0x0004;
    static constexpr std::uint32_t kEnvelopeFailed = 0x89;

    CMsgProcess(bool timedOut, std::uint32_t returnCode, CByteArray response, bool lengthFirst, bool extended,
                std::uint16_t flags = 0, const CCipherContext* context = nullptr);
    // Host side, in the layout given. The response is delimited by the length field, so bytes after it
    // are left unread.
    CMsgProcess(CInBinaryString& body, bool extended, bool lengthFirst);

    // Which layout a whole acknowledgement body (from its read position) is in: indicator-first when the
    // length field where that layout keeps it counts exactly the bytes after it, else length-first.
    static bool IsLengthFirstBody(const CInBinaryString& body, bool extended);

    bool IsTimedOut() const { return m_indicator == layout::kTimedOut; }
    std::uint8_t GetIndicator() const { return m_indicator; }
    std::uint16_t GetFlags() const { return m_flags; }
    std::uint32_t GetReturnCode() const { return m_returnCode; }
    const CByteArray& GetResponse() const { return m_response; }
    bool IsLengthFirst() const { return m_lengthFirst; }
    // True when an envelope was asked for and could not be made (or no cipher context was given).
    bool EnvelopeFailed() const { return m_envelopeFailed; }

    template <class V>
    void Visit(V& v) {
        const bool wide = IsExtended();
        const std::size_t length = m_response.size() + FixedLength(m_lengthFirst, wide);
        if (m_lengthFirst) {
            layout::CCountedRun<V> run(v, LengthPrefix::TwoBytes, length);
            VisitHead(v, wide);
            layout::ReturnCode(v, m_returnCode, wide);
            layout::RestOfRun(v, run, m_response, "Smart Card Response Data", describe::HexOrNone{});
        } else {
            VisitHead(v, wide);
            layout::CCountedRun<V> run(v, LengthPrefix::TwoBytes, length);
            layout::ReturnCode(v, m_returnCode, wide);
            layout::RestOfRun(v, run, m_response, "Smart Card Response Data", describe::HexOrNone{});
        }
    }

private:
    // The bytes the length counts besides the response.
    static constexpr std::size_t FixedLength(bool lengthFirst, bool wide) {
        return lengthFirst ? (wide ? 7 : 2) : (wide ? 4 : 1);
    }

    template <class V>
    void VisitHead(V& v, bool wide) {
        layout::TimeOutIndicator(v, m_indicator);
        if (wide) {
            v.U16(m_flags, "Flags", describe::UpperHex4{});
        }
    }

    std::uint8_t m_indicator = layout::kGotResponse;
    std::uint16_t m_flags = 0;
    std::uint32_t m_returnCode = 0;
    CByteArray m_response;
    bool m_lengthFirst = false;
    bool m_envelopeFailed = false;
};

inline constexpr std::uint8_t kBulkSuccess = 0;
inline constexpr std::uint8_t kBulkFailed = 1;
inline constexpr CodeText kBulkStatuses[] = {{kBulkSuccess, "Success"}, {kBulkFailed, "Failed"}};

// Status (1); count (2); then each element's own body, unprefixed. The executor appends the elements.
class CMsgBulkProcess final : public CMessageFields<CMsgBulkProcess> {
public:
    static constexpr const char* kClassName = "CMsgBulkProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0C;
    static constexpr const char* kTitle = "Bulk Process Acknowledge";

    CMsgBulkProcess(std::uint8_t status, bool extended) : CMessageFields(extended), m_status(status) {}
    // Host side: the elements are read length-first (the only form stations put in a bulk answer) with
    // the same extended flag.
    CMsgBulkProcess(CInBinaryString& body, bool extended) : CMessageFields(extended) { ReadBody(body); }

    // False (and nothing appended) once the 16-bit count is full.
    bool Add(CRCPtr<CMsgProcess> element);
    void SetStatus(std::uint8_t status) { m_status = status; }
    std::uint8_t GetStatus() const { return m_status; }
    const std::vector<CRCPtr<CMsgProcess>>& GetElements() const { return m_elements; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_status, "Status of Execution", describe::Table{kBulkStatuses, "Unknowun Status"});
        auto count = static_cast<std::uint16_t>(m_elements.size());
        v.U16(count, "Number of Commands", describe::Dec{});
        if constexpr (V::kReading) {
            m_elements.clear();
            for (std::uint16_t i = 0; i < count; ++i) {
                m_elements.push_back(std::make_shared<CMsgProcess>(v.In(), IsExtended(), true));
            }
        } else if constexpr (V::kWriting) {
            for (const CRCPtr<CMsgProcess>& element : m_elements) {
                element->GetBody(v.Out());
            }
        } else {
            for (const CRCPtr<CMsgProcess>& element : m_elements) {
                for (const CString& line : element->Describe()) {
                    v.Entry(line);
                }
            }
        }
    }

private:
    std::uint8_t m_status = kBulkSuccess;
    std::vector<CRCPtr<CMsgProcess>> m_elements;
};

// Indicator; length (2) = data + 4 when extended, + 1 otherwise; rc; the simulated data, unprefixed.
class CMsgCardCommandSimulation final : public CMessageFields<CMsgCardCommandSimulation> {
public:
    static constexpr const char* kClassName = "CMsgCardCommandSimulation";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x15;
    static constexpr const char* kTitle = "Card Command Simulation";

    CMsgCardCommandSimulation(bool timedOut, std::uint32_t returnCode, CByteArray data, bool extended);
    CMsgCardCommandSimulation(CInBinaryString& body, bool extended) : CMessageFields(extended) {
        ReadBody(body);
    }

    bool IsTimedOut() const { return m_indicator == layout::kTimedOut; }
    std::uint32_t GetReturnCode() const { return m_returnCode; }
    const CByteArray& GetData() const { return m_data; }

    template <class V>
    void Visit(V& v) {
        const bool wide = IsExtended();
        layout::TimeOutIndicator(v, m_indicator);
        layout::CCountedRun<V> run(v, LengthPrefix::TwoBytes, m_data.size() + FixedLength(wide));
        layout::ReturnCode(v, m_returnCode, wide);
        layout::RestOfRun(v, run, m_data, "Simulated Response Data", describe::SpacedOrNone{});
    }

private:
    static constexpr std::size_t FixedLength(bool wide) { return wide ? 4 : 1; }

    std::uint8_t m_indicator = layout::kGotResponse;
    std::uint32_t m_returnCode = 0;
    CByteArray m_data;
};

}  // namespace tessaly
