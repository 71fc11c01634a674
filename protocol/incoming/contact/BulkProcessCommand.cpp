#include "protocol/incoming/contact/BulkProcessCommand.h"

#include <memory>

#include "protocol/cipher/CipherEnvelope.h"
#include "common/Format.h"
#include "common/TextEncoding.h"
#include "common/ValueTable.h"

namespace tessaly {
namespace {

constexpr CodeText kCheckModes[] = {
    {0, "KBX is not responsible to check result"},
    {1, "KBX is responsible to check whole result"},
    {2, "KBX is responsible to check Status Word"},
};

// The Process description starts with "Command" and the display name; items leave that pair out.
constexpr std::size_t kOpeningEntries = 2;

}  // namespace

CBulkProcessCommand::CBulkProcessCommand(CInBinaryString& body, bool extended) : m_extended(extended) {
    if (extended) {
        (void)body.ReadDWord();
    } else {
        (void)body.ReadWord();
    }
    m_process = std::make_shared<CRspProcess>(body, extended);
    m_checkMode = body.ReadByte();
    if (HasExpectedResult()) {
        body.ReadBytes(m_expected, LengthPrefix::OneByte);
    }
}

bool CBulkProcessCommand::IsEncrypted() const {
    return m_process && m_process->WantsEncryptedAnswer();
}

bool CBulkProcessCommand::DecryptExpected(const CCipherContext& context, CByteArray& out) const {
    if (!IsEncrypted()) {
        return false;
    }
    return DecryptEnvelope(context, m_expected, out);
}

std::size_t CBulkProcessCommand::ItemLength() const {
    std::size_t length = m_process->BodyLength() + 1;
    if (HasExpectedResult()) {
        length += m_expected.size() + 1;
    }
    return length;
}

void CBulkProcessCommand::WriteBody(COutBinaryString& out) const {
    const std::size_t length = ItemLength();
    if (m_extended) {
        out.AppendDWord(static_cast<std::uint32_t>(length));
    } else {
        out.AppendWord(static_cast<std::uint16_t>(length));
    }
    m_process->WriteBody(out);
    out.AppendByte(static_cast<std::uint8_t>(m_checkMode));
    if (HasExpectedResult()) {
        out.SetLengthPrefix(LengthPrefix::OneByte)
            .AppendBytes(m_expected)
            .SetLengthPrefix(LengthPrefix::None);
    }
}

void CBulkProcessCommand::AppendDescription(CStringArray& list) const {
    const CStringArray& process = m_process->Describe();
    list.insert(list.end(), process.begin() + kOpeningEntries, process.end());
    list.emplace_back("Predicted Results");
    list.emplace_back(LookupText(kCheckModes, m_checkMode, "UnKnown Value"));
    if (HasExpectedResult()) {
        list.emplace_back("Resultant Data");
        list.push_back(HexString(m_expected));
    }
}

CRspBulkProcess::CRspBulkProcess(CInBinaryString& body, bool extended) : CResponseFields(extended) {
    ReadBody(body);
}

void CRspBulkProcess::ReadItems(CInBinaryString& in) {
    // The count is not trusted for a reservation: each item proves itself by parsing.
    const std::uint16_t count = in.ReadWord();
    for (std::uint32_t i = 0; i < count; ++i) {
        m_items.push_back(std::make_shared<CBulkProcessCommand>(in, IsExtended()));
    }
}

void CRspBulkProcess::WriteItems(COutBinaryString& out) const {
    out.AppendWord(static_cast<std::uint16_t>(m_items.size()));
    for (const CRCPtr<CBulkProcessCommand>& item : m_items) {
        item->WriteBody(out);
    }
}

void CRspBulkProcess::DescribeItems(CStringArray& list) const {
    list.emplace_back("Number of Commands");
    list.push_back(FormatText("%d", static_cast<int>(m_items.size())));
    for (const CRCPtr<CBulkProcessCommand>& item : m_items) {
        item->AppendDescription(list);
    }
}

}  // namespace tessaly
