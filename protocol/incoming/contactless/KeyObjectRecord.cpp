#include "protocol/incoming/contactless/KeyObjectRecord.h"

#include <algorithm>
#include <memory>

#include "common/TextEncoding.h"
#include "common/ValueTable.h"
#include "protocol/PassThruErrors.h"

namespace tessaly {
namespace {

using Record = CKeyObjectRecord;

constexpr CodeText kFieldNames[] = {
    {Record::kTagNumber, "Number"},         {Record::kTagInjection, "Injection"},
    {Record::kTagCheck, "Check"},           {Record::kTagKeyEncrypted, "Key Encrypted"},
    {Record::kTagHolder, "Holder"},         {Record::kTagGenerator, "Generator"},
    {Record::kTagCreated, "Created"},       {Record::kTagVersion, "Version"},
    {Record::kTagExpiration, "Expiration"}, {Record::kTagComment, "Comment"},
    {Record::kTagIdentifier, "Identifier"}, {Record::kTagTransformCode, "TransformCode"},
};

// The order in which a record describes itself (not the tag order).
constexpr std::uint8_t kDisplayOrder[] = {
    Record::kTagCheck,      Record::kTagComment,       Record::kTagCreated, Record::kTagKeyEncrypted,
    Record::kTagExpiration, Record::kTagGenerator,     Record::kTagHolder,  Record::kTagIdentifier,
    Record::kTagInjection,  Record::kTagTransformCode, Record::kTagVersion, Record::kTagNumber,
};

constexpr const char* kUnknownField = "Unknown";

}  // namespace

bool CKeyObjectRecord::IsKnownTag(std::uint32_t tag) {
    return LookupText(kFieldNames, tag, nullptr) != nullptr;
}

const char* CKeyObjectRecord::FieldName(std::uint32_t tag) {
    return LookupText(kFieldNames, tag, kUnknownField);
}

bool CKeyObjectRecord::Store(std::uint32_t tag, const CByteArray& value) {
    if (!IsKnownTag(tag)) {
        return false;
    }
    if (tag == kTagKeyEncrypted) {
        m_keyEncrypted = std::make_shared<const CByteArray>(value);
    } else {
        m_texts[tag] = std::make_shared<const CString>(value.begin(), value.end());
    }
    const auto known = static_cast<std::uint8_t>(tag);
    if (std::find(m_order.begin(), m_order.end(), known) == m_order.end()) {
        m_order.push_back(known);
    }
    return true;
}

void CKeyObjectRecord::ReadItem(CInBinaryString& in) {
    const std::uint8_t tag = in.ReadByte();
    if (!IsKnownTag(tag)) {
        throw CPassThruParseError();
    }
    CByteArray value;
    in.ReadBytes(value, LengthPrefix::TwoBytes);
    Store(tag, value);
}

bool CKeyObjectRecord::Has(std::uint32_t tag) const {
    if (!IsKnownTag(tag)) {
        return false;
    }
    return tag == kTagKeyEncrypted ? m_keyEncrypted != nullptr : m_texts[tag] != nullptr;
}

CRCPtr<const CString> CKeyObjectRecord::GetText(std::uint32_t tag) const {
    if (!IsKnownTag(tag) || tag == kTagKeyEncrypted) {
        return nullptr;
    }
    return m_texts[tag];
}

CByteArray CKeyObjectRecord::ValueBytes(std::uint32_t tag) const {
    if (tag == kTagKeyEncrypted) {
        return *m_keyEncrypted;
    }
    const CString& text = *m_texts[tag];
    return CByteArray(text.begin(), text.end());
}

void CKeyObjectRecord::WriteItems(COutBinaryString& out) const {
    for (const std::uint8_t tag : m_order) {
        out.AppendByte(tag).SetLengthPrefix(LengthPrefix::TwoBytes).AppendBytes(ValueBytes(tag));
        out.SetLengthPrefix(LengthPrefix::None);
    }
}

std::size_t CKeyObjectRecord::EncodedSize() const {
    std::size_t size = 0;
    for (const std::uint8_t tag : m_order) {
        size += 3 + (tag == kTagKeyEncrypted ? m_keyEncrypted->size() : m_texts[tag]->size());
    }
    return size;
}

void CKeyObjectRecord::AppendDescription(CStringArray& list) const {
    for (const std::uint8_t tag : kDisplayOrder) {
        if (!Has(tag)) {
            continue;
        }
        list.emplace_back("Tag Type");
        list.push_back(CString("Key ") + FieldName(tag));
        list.emplace_back("Item Value");
        list.push_back(tag == kTagKeyEncrypted ? HexDump(*m_keyEncrypted) : *m_texts[tag]);
    }
}

}  // namespace tessaly
