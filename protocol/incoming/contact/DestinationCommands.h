// Eject Card, Query Card and Warm Reset: a destination byte and nothing else.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

template <class Derived>
class CDestinationCommand : public CResponseFields<Derived> {
public:
    static constexpr std::uint32_t kCommand = kCommandPassThrough;

    std::uint32_t GetDestination() const { return m_destination; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_destination, "Destination", describe::Table{kStationDestinations, "Unknown Value"});
    }

protected:
    // The final class reads the body, so that the visit runs on a fully made object.
    explicit CDestinationCommand(bool extended) : CResponseFields<Derived>(extended) {}

private:
    std::uint32_t m_destination = 0;
};

class CRspEjectCard final : public CDestinationCommand<CRspEjectCard> {
public:
    static constexpr const char* kClassName = "CRspEjectCard";
    static constexpr int kSubCommand = 0x06;
    static constexpr const char* kDisplayName = "Eject Card";

    CRspEjectCard(CInBinaryString& body, bool extended) : CDestinationCommand(extended) { ReadBody(body); }
};

class CRspQueryCard final : public CDestinationCommand<CRspQueryCard> {
public:
    static constexpr const char* kClassName = "CRspQueryCard";
    static constexpr int kSubCommand = 0x07;
    static constexpr const char* kDisplayName = "Query Card";

    CRspQueryCard(CInBinaryString& body, bool extended) : CDestinationCommand(extended) { ReadBody(body); }
};

class CRspWarmReset final : public CDestinationCommand<CRspWarmReset> {
public:
    static constexpr const char* kClassName = "CRspWarmReset";
    static constexpr int kSubCommand = 0x0B;
    static constexpr const char* kDisplayName = "Warm Reset Card";

    CRspWarmReset(CInBinaryString& body, bool extended) : CDestinationCommand(extended) { ReadBody(body); }
};

}  // namespace tessaly
