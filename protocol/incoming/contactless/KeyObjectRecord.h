// The tagged fields of a key object, as key-store replies and object requests carry them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/Types.h"
#include "protocol/BinaryString.h"

namespace tessaly {

// One optional field per tag. Text fields hold the value bytes as characters; Key Encrypted holds
// bytes. A field is absent (null) until its tag arrives; a repeated tag replaces the earlier value.
class CKeyObjectRecord {
public:
    // Tag numbers of the fields. 0, 12 and anything above 13 are not part of the record.
    static constexpr std::uint8_t kTagNumber = 1;
    static constexpr std::uint8_t kTagInjection = 2;
    static constexpr std::uint8_t kTagCheck = 3;
    static constexpr std::uint8_t kTagKeyEncrypted = 4;
    static constexpr std::uint8_t kTagHolder = 5;
    static constexpr std::uint8_t kTagGenerator = 6;
    static constexpr std::uint8_t kTagCreated = 7;
    static constexpr std::uint8_t kTagVersion = 8;
    static constexpr std::uint8_t kTagExpiration = 9;
    static constexpr std::uint8_t kTagComment = 10;
    static constexpr std::uint8_t kTagIdentifier = 11;
    static constexpr std::uint8_t kTagTransformCode = 13;

    static bool IsKnownTag(std::uint32_t tag);
    // The field's name ("Key Encrypted"), or "Unknown" for a tag outside the record.
    static const char* FieldName(std::uint32_t tag);

    // Stores `value` under `tag`; false, and the record unchanged, for a tag outside the record.
    bool Store(std::uint32_t tag, const CByteArray& value);
    // Reads one item (tag, 2-byte length, value) and stores it. A tag outside the record throws
    // CPassThruParseError; missing bytes throw CInBinaryStringException.
    void ReadItem(CInBinaryString& in);

    bool Has(std::uint32_t tag) const;
    // A text field, or null when it is absent (always null for Key Encrypted and unknown tags).
    CRCPtr<const CString> GetText(std::uint32_t tag) const;
    // Null when absent.
    CRCPtr<const CByteArray> GetKeyEncrypted() const { return m_keyEncrypted; }
    // How many fields are present.
    int CountPresent() const { return static_cast<int>(m_order.size()); }

    // The present fields as items (tag, 2-byte length, value), in the order their tags first arrived.
    void WriteItems(COutBinaryString& out) const;
    // The byte count WriteItems writes.
    std::size_t EncodedSize() const;
    // "Tag Type" / "Item Value" pairs of the present fields, in the record's display order.
    void AppendDescription(CStringArray& list) const;

private:
    static constexpr std::size_t kSlots = 14;  // indexed by tag; 0 and 12 stay unused

    CByteArray ValueBytes(std::uint32_t tag) const;

    std::array<CRCPtr<const CString>, kSlots> m_texts{};
    CRCPtr<const CByteArray> m_keyEncrypted;
    std::vector<std::uint8_t> m_order;  // tags in order of first arrival
};

}  // namespace tessaly
