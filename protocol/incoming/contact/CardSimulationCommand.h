// Card Command Simulation: the station waits and answers with the given data instead of the card.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"
#include "protocol/ValueCodes.h"

namespace tessaly {

class CRspCardCommandSimulation final : public CResponseFields<CRspCardCommandSimulation> {
public:
    static constexpr const char* kClassName = "CRspCardCommandSimulation";
    static constexpr std::uint32_t kCommand = kCommandPassThrough;
    static constexpr int kSubCommand = 0x15;
    static constexpr const char* kDisplayName = "Card Command Simulation";

    CRspCardCommandSimulation(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    // Only the extended layout carries a destination; otherwise it is 0 and the executor chooses.
    bool HasDestination() const { return IsExtended(); }
    std::uint32_t GetDestination() const { return m_destination; }
    std::uint32_t GetDelayTime() const { return m_delayTime; }
    std::uint32_t GetRequestedLength() const { return m_requestedLength; }
    const CByteArray& GetSimulatedData() const { return m_simulatedData; }

    template <class V>
    void Visit(V& v) {
        if (IsExtended()) {
            v.U8(m_destination, "Destination", describe::Table{kAllDestinations, "Unknown Value"});
        }
        // The simulation kind: a delay loop is the only one there is.
        v.Skip8(0);
        if constexpr (V::kDescribing) {
            v.Entry("DELAY LOOP");
        }
        v.U32(m_delayTime, "Delay Time", describe::Unsigned{});
        v.U16(m_requestedLength, "Requested Length", describe::Unsigned{});
        v.Bytes(m_simulatedData, LengthPrefix::TwoBytes, "Simulated Data", describe::HexOrNone{});
    }

private:
    std::uint32_t m_destination = 0;
    std::uint32_t m_delayTime = 0;
    std::uint32_t m_requestedLength = 0;
    CByteArray m_simulatedData;
};

}  // namespace tessaly
