// What this side sends. BuildPacket frames a message into one packet.
#pragma once

#include <cstdint>

#include "common/Types.h"
#include "protocol/BinaryString.h"
#include "protocol/FieldVisitor.h"

namespace tessaly {

// Routing texts this system sends in the long forms.
inline constexpr const char* kAddressController = "[CTRLR]";
inline constexpr const char* kAddressKeyStation = "[KEY]";
inline constexpr const char* kAddressCardProcessing = "0123456789ABCDEF";

class CObjCommMessage {
public:
    CObjCommMessage(const CObjCommMessage&) = delete;
    CObjCommMessage& operator=(const CObjCommMessage&) = delete;
    virtual ~CObjCommMessage() = default;

    virtual std::uint32_t GetCommand() const = 0;
    // The pass-through sub-command code, or -1 for messages that are not pass-through.
    virtual int GetSubCommand() const = 0;
    virtual bool UsesLongForm() const { return true; }
    // Appends the body (never the pass-through sub-header) and leaves the prefix mode at none.
    virtual void GetBody(COutBinaryString& out) const = 0;
    // "Command", the title, then label/value pairs. Valid until the next call.
    virtual const CStringArray& Describe() = 0;
    virtual const char* ClassName() const = 0;

    bool IsExtended() const { return m_extended != 0; }
    CByteArray Body() const;

    // Writes the whole packet into `out`. Wide length selects frame type 0x02 and overrides the
    // short form. Returns false, with `out` empty, when the address or payload does not fit its
    // length field.
    bool BuildPacket(COutBinaryString& out, std::uint16_t transactionNumber, const CString& address,
                     bool wideLength) const;

protected:
    explicit CObjCommMessage(bool extended) : m_extended(extended ? 1U : 0U) {}

    std::uint32_t m_extended;
    CStringArray m_description;
};

// The common part of the message classes. Derived provides kClassName, kCommand, kSubCommand,
// kTitle (or a Title() member) and `template <class V> void Visit(V& v)`.
template <class Derived>
class CMessageFields : public CObjCommMessage {
public:
    std::uint32_t GetCommand() const override { return Derived::kCommand; }
    int GetSubCommand() const override { return Derived::kSubCommand; }
    const char* ClassName() const override { return Derived::kClassName; }

    void GetBody(COutBinaryString& out) const override {
        CBodyWriter writer(out);
        // The writer only reads the fields; Visit is shared with the reader, hence not const.
        const_cast<Derived&>(static_cast<const Derived&>(*this)).Visit(writer);
        out.SetLengthPrefix(LengthPrefix::None);
    }

    const CStringArray& Describe() override {
        CBodyDescriber describer(m_description);
        describer.Pair("Command", Self().Title());
        Self().Visit(describer);
        return m_description;
    }

    CString Title() const { return Derived::kTitle; }

protected:
    explicit CMessageFields(bool extended) : CObjCommMessage(extended) {}

    // For host-side decoding of a station's answer: fills the fields from a body.
    void ReadBody(CInBinaryString& body) {
        CBodyReader reader(body);
        Self().Visit(reader);
    }

private:
    Derived& Self() { return static_cast<Derived&>(*this); }
    const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

}  // namespace tessaly
