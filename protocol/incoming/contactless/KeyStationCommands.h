// Key-station object commands outside pass-through: key request, key store, object request and
// object data loading.
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/ObjCommResponse.h"
#include "protocol/incoming/contactless/KeyObjectRecord.h"

namespace tessaly {

// One item of a key request. Field type 4 carries binary data, every other type text.
struct CKeyRequestItem {
    static constexpr std::uint32_t kBinaryFieldType = 4;

    std::uint32_t fieldType = 0;
    bool isText = true;
    CString text;      // when isText
    CByteArray bytes;  // when not isText
};

class CRspKeyRequest final : public CResponseFields<CRspKeyRequest> {
public:
    static constexpr const char* kClassName = "CRspKeyRequest";
    static constexpr std::uint32_t kCommand = 0x01;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Key Request Response";

    CRspKeyRequest(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    bool UsesLongForm() const override { return false; }
    // In arrival order.
    const std::vector<CKeyRequestItem>& GetItems() const { return m_items; }

    template <class V>
    void Visit(V& v) {
        if constexpr (V::kReading) {
            while (!v.AtEnd()) {
                VisitItem(v, m_items.emplace_back());
            }
        } else {
            for (CKeyRequestItem& item : m_items) {
                VisitItem(v, item);
            }
        }
    }

private:
    template <class V>
    static void VisitItem(V& v, CKeyRequestItem& item) {
        v.U8(item.fieldType, "Field Type", describe::Dec{});
        if constexpr (V::kReading) {
            item.isText = item.fieldType != CKeyRequestItem::kBinaryFieldType;
        }
        if (item.isText) {
            v.Text(item.text, LengthPrefix::TwoBytes, "Field Value");
        } else {
            v.Bytes(item.bytes, LengthPrefix::TwoBytes, "Field Value", describe::Dump{});
        }
    }

    std::vector<CKeyRequestItem> m_items;
};

class CRspKeyStore final : public CResponseFields<CRspKeyStore> {
public:
    static constexpr const char* kClassName = "CRspKeyStore";
    static constexpr std::uint32_t kCommand = 0x03;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Key Store Response";

    // A tag outside the record throws CPassThruParseError.
    CRspKeyStore(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    bool UsesLongForm() const override { return false; }
    const CKeyObjectRecord& GetRecord() const { return m_record; }

    template <class V>
    void Visit(V& v) {
        // Items up to the end of the body.
        if constexpr (V::kReading) {
            while (!v.AtEnd()) {
                m_record.ReadItem(v.In());
            }
        } else if constexpr (V::kWriting) {
            m_record.WriteItems(v.Out());
        } else {
            m_record.AppendDescription(v.List());
        }
    }

private:
    CKeyObjectRecord m_record;
};

class CRspObjectRequest final : public CResponseFields<CRspObjectRequest> {
public:
    static constexpr const char* kClassName = "CRspObjectRequest";
    static constexpr std::uint32_t kCommand = 0x04;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Object Request Response";
    // The only object type: a general key object.
    static constexpr std::uint32_t kGeneralObject = 0x11;

    // Throws CPassThruParseError for another object type, a tag outside the record, or items that
    // do not fit the length announced for them.
    CRspObjectRequest(CInBinaryString& body, bool extended) : CResponseFields(extended) { ReadBody(body); }

    std::uint32_t GetObjectType() const { return m_objectType; }
    // One tag number per byte, as requested.
    const CByteArray& GetRequestedFields() const { return m_requestedFields; }
    const CKeyObjectRecord& GetSearchRecord() const { return m_search; }
    const CKeyObjectRecord& GetResponseRecord() const { return m_response; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_objectType);
        if constexpr (V::kReading) {
            CheckObjectType();
        }
        if constexpr (V::kDescribing) {
            v.Pair("Object Type Requested", "General");
        }
        v.Bytes(m_requestedFields, LengthPrefix::TwoBytes);
        if constexpr (V::kDescribing) {
            for (const std::uint8_t tag : m_requestedFields) {
                v.Pair("Requested Field", CKeyObjectRecord::FieldName(tag));
            }
        }
        v.U8(m_searchSeparator);
        VisitItemBlock(v, m_search, "Number Of Search Items");
        v.U8(m_responseSeparator);
        VisitItemBlock(v, m_response, "Number Of Response Items");
    }

private:
    void CheckObjectType() const;
    // Items fill exactly `length` bytes; an item that runs past them is a corrupted packet.
    static void ReadItemBlock(CInBinaryString& in, CKeyObjectRecord& record);
    static void WriteItemBlock(COutBinaryString& out, const CKeyObjectRecord& record);

    template <class V>
    static void VisitItemBlock(V& v, CKeyObjectRecord& record, const char* countLabel) {
        if constexpr (V::kReading) {
            ReadItemBlock(v.In(), record);
        } else if constexpr (V::kWriting) {
            WriteItemBlock(v.Out(), record);
        } else {
            v.Pair(countLabel, describe::Dec{}(static_cast<std::uint32_t>(record.CountPresent())));
            record.AppendDescription(v.List());
        }
    }

    std::uint32_t m_objectType = 0;
    CByteArray m_requestedFields;
    // The byte before each item block carries nothing; kept so that the body is written back as it came.
    std::uint8_t m_searchSeparator = 0;
    std::uint8_t m_responseSeparator = 0;
    CKeyObjectRecord m_search;
    CKeyObjectRecord m_response;
};

class CRspObjectDataLoading final : public CResponseFields<CRspObjectDataLoading> {
public:
    static constexpr const char* kClassName = "CRspObjectDataLoading";
    static constexpr std::uint32_t kCommand = 0x05;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Data Loaded";

    CRspObjectDataLoading(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    const CString& GetKeyNumber() const { return m_keyNumber; }

    template <class V>
    void Visit(V& v) {
        v.Text(m_keyNumber, LengthPrefix::None, "Key Number");
    }

private:
    CString m_keyNumber;
};

}  // namespace tessaly
