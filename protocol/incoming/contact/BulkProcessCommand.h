// Bulk Process: a list of Process commands, each with the result the station is to expect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/ObjCommResponse.h"
#include "protocol/incoming/contact/ProcessCommand.h"

namespace tessaly {

// One item: an item length (read and dropped; the content decides where the item ends), a Process
// body, a check mode and, for a mode other than 0, the expected result.
class CBulkProcessCommand {
public:
    static constexpr std::uint32_t kCheckNothing = 0;
    static constexpr std::uint32_t kCheckWholeResult = 1;
    static constexpr std::uint32_t kCheckStatusWord = 2;

    CBulkProcessCommand(CInBinaryString& body, bool extended);
    CBulkProcessCommand(const CBulkProcessCommand&) = delete;
    CBulkProcessCommand& operator=(const CBulkProcessCommand&) = delete;

    const CRCPtr<CRspProcess>& GetProcess() const { return m_process; }
    std::uint32_t GetCheckMode() const { return m_checkMode; }
    bool HasExpectedResult() const { return m_checkMode != kCheckNothing; }
    // Empty when the check mode is 0.
    const CByteArray& GetExpectedResult() const { return m_expected; }
    // The Process command asks for an enciphered answer: the expected result is enciphered too.
    bool IsEncrypted() const;
    // When IsEncrypted, unwraps the expected result into `out`; false when it is not enciphered
    // (`out` untouched) or the envelope does not open (`out` empty).
    bool DecryptExpected(const CCipherContext& context, CByteArray& out) const;

    // What GetBody writes as the item length: the bytes of the item after the length field.
    std::size_t ItemLength() const;
    // The item length (2 bytes, or 4 when extended), the Process body, the check mode and the
    // expected result with a 1-byte prefix.
    void WriteBody(COutBinaryString& out) const;
    // The Process description without its opening pair, then the item's own pairs.
    void AppendDescription(CStringArray& list) const;

private:
    bool m_extended;
    CRCPtr<CRspProcess> m_process;
    std::uint32_t m_checkMode = 0;
    CByteArray m_expected;
};

using CBulkProcessItems = std::vector<CRCPtr<CBulkProcessCommand>>;

class CRspBulkProcess final : public CResponseFields<CRspBulkProcess> {
public:
    static constexpr const char* kClassName = "CRspBulkProcess";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x0C;
    static constexpr const char* kDisplayName = "Bulk Process Command";

    CRspBulkProcess(CInBinaryString& body, bool extended);

    // In arrival order. The items may outlive this command.
    const CBulkProcessItems& GetItems() const { return m_items; }

    template <class V>
    void Visit(V& v) {
        if constexpr (V::kReading) {
            ReadItems(v.In());
        } else if constexpr (V::kWriting) {
            WriteItems(v.Out());
        } else {
            DescribeItems(v.List());
        }
    }

private:
    void ReadItems(CInBinaryString& in);
    void WriteItems(COutBinaryString& out) const;
    void DescribeItems(CStringArray& list) const;

    CBulkProcessItems m_items;
};

}  // namespace tessaly
