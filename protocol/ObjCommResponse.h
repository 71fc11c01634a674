// What this side receives: one object per packet, made by CreateFromPacket.
#pragma once

#include <cstdint>
#include <memory>

#include "common/Types.h"
#include "protocol/BinaryString.h"
#include "protocol/CommandCode.h"
#include "protocol/FieldVisitor.h"

namespace tessaly {

class CObjCommResponse {
public:
    CObjCommResponse(const CObjCommResponse&) = delete;
    CObjCommResponse& operator=(const CObjCommResponse&) = delete;
    virtual ~CObjCommResponse() = default;

    // 0x0A for every pass-through command, otherwise the packet's command code.
    virtual std::uint32_t GetCommand() const = 0;
    // The pass-through sub-command code, or -1 for commands that are not pass-through.
    virtual int GetSubCommand() const = 0;
    virtual bool UsesLongForm() const { return true; }
    // "Command", the display name, then label/value pairs. Valid until the next call.
    virtual const CStringArray& Describe() = 0;
    // The parameters re-encoded in the layout in which they arrived.
    virtual CByteArray GetBody() const { return {}; }
    // The class name ("CRspProcess"), for tools and logs.
    virtual const char* ClassName() const = 0;

    bool IsExtended() const { return m_extended != 0; }

    // Parses one complete packet. `transactionNumber` receives the pass-through transaction number,
    // or 0. Throws the CPassThru... exceptions; returns null only when memory runs out.
    static std::unique_ptr<CObjCommResponse> CreateFromPacket(CInBinaryString& packet,
                                                              std::uint32_t& transactionNumber,
                                                              bool extended);

protected:
    explicit CObjCommResponse(bool extended) : m_extended(extended ? 1U : 0U) {}

    std::uint32_t m_extended;
    CStringArray m_description;
};

// The common part of every incoming class. Derived provides:
//   static constexpr const char* kClassName;      // "CRspProcess"
//   static constexpr std::uint32_t kCommand;       // 0x0A
//   static constexpr int kSubCommand;              // 0x05, or -1
//   static constexpr const char* kDisplayName;     // "Process Command" (or a DisplayName() member)
//   template <class V> void Visit(V& v);           // the body layout
// and calls ReadBody(body) at the end of its constructor.
template <class Derived>
class CResponseFields : public CObjCommResponse {
public:
    std::uint32_t GetCommand() const override { return Derived::kCommand; }
    int GetSubCommand() const override { return Derived::kSubCommand; }
    const char* ClassName() const override { return Derived::kClassName; }

    const CStringArray& Describe() override {
        CBodyDescriber describer(m_description);
        Self().DescribeOpening(describer);
        Self().Visit(describer);
        return m_description;
    }

    CByteArray GetBody() const override {
        COutBinaryString out;
        CBodyWriter writer(out);
        // The writer only reads the fields; Visit is shared with the reader, hence not const.
        const_cast<Derived&>(static_cast<const Derived&>(*this)).Visit(writer);
        return out.TakeBytes();
    }

    // The opening pair; CRspMessage opens with its text instead.
    void DescribeOpening(CBodyDescriber& describer) const { describer.Pair("Command", Self().DisplayName()); }
    CString DisplayName() const { return Derived::kDisplayName; }

protected:
    explicit CResponseFields(bool extended) : CObjCommResponse(extended) {}

    void ReadBody(CInBinaryString& body) {
        CBodyReader reader(body);
        Self().Visit(reader);
    }

private:
    Derived& Self() { return static_cast<Derived&>(*this); }
    const Derived& Self() const { return static_cast<const Derived&>(*this); }
};

}  // namespace tessaly
