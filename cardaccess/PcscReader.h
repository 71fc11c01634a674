// A PC/SC reader: its own context and card connection, a presence monitor, command exchange
// inside a transaction with the T=0 completion rules, and station codes for every PC/SC result.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "cardaccess/PcscHandles.h"
#include "cardaccess/PresenceMonitor.h"
#include "cardaccess/SmartCardReader.h"
#include "platform/PcscApi.h"

namespace tessaly {

namespace card_state {
inline constexpr std::uint8_t kAbsent = 1;
inline constexpr std::uint8_t kPresent = 2;
inline constexpr std::uint8_t kConnected = 3;
inline constexpr std::uint8_t kDisconnected = 4;
inline constexpr std::uint8_t kUnknown = 16;
}  // namespace card_state

class CPcscReader : public CSmartCardReader {
public:
    static constexpr std::size_t kReceiveBuffer = 1024;
    static constexpr std::size_t kStatusBuffer = 1024;
    // The ATR buffer of the protocol query, which does not ask for the reader's name: a name
    // longer than any fixed buffer must not make every exchange fail.
    static constexpr std::size_t kProtocolQueryBuffer = 100;
    // How long the first presence query waits for a monitor that has not reported yet.
    static constexpr int kFirstQueryWaitMs = 500;

    // With `directQuery` false a presence monitor keeps the card state current; with true every
    // presence query asks PC/SC itself.
    CPcscReader(CString readerName, bool directQuery);
    ~CPcscReader() override;

    std::uint8_t Reconnect() override;
    std::uint8_t Connect() override;
    std::uint8_t Disconnect() override;
    std::uint8_t Transmit(std::uint8_t caseByte, const CByteArray& command, CByteArray& response) override;
    std::uint8_t GetAtr(CByteArray& atr) override;
    bool IsConnected() const override;

    virtual CString GetErrorText(std::uint32_t code) const;
    // GET RESPONSE class 0x00 and APDU level on.
    virtual void ResetTransmissionSettings();

    // 1 absent, 2 present, 3 connected, 4 disconnected, 16 unknown.
    std::uint8_t GetCardState();
    CString GetLastErrorText() const { return GetErrorText(GetLastResult()); }

    // -1: GET RESPONSE takes the class byte of the command it answers.
    std::int32_t GetGetResponseClass() const { return m_getResponseClass; }
    void SetGetResponseClass(std::int32_t value) { m_getResponseClass = value; }
    // On: T=0 answers are completed with GET RESPONSE and length corrections; off: sent as they are.
    bool GetApduLevel() const { return m_apduLevel; }
    void SetApduLevel(bool on) { m_apduLevel = on; }

private:
    std::uint8_t QueryPresence();
    void OnPresence(CPresenceMonitor::Presence presence);

    std::uint32_t ActiveProtocol() const;
    bool Exchange(std::uint32_t protocol, const CByteArray& command, CByteArray& target);
    bool GetResponse(std::uint8_t commandClass, std::uint8_t le, CByteArray& target);
    void RepeatWithLength(std::uint32_t protocol, CByteArray& sent, std::uint8_t length,
                          CByteArray& response);
    void TransmitCase4(std::uint32_t protocol, CByteArray& sent, std::uint8_t commandClass,
                       CByteArray& response);
    void TransmitCase2(std::uint32_t protocol, CByteArray& sent, std::uint8_t commandClass,
                       CByteArray& response);
    void TransmitRaw(std::uint32_t protocol, std::uint8_t caseByte, CByteArray& sent, CByteArray& response);

    CPcscContext m_context;
    CPcscCard m_card;  // after the context: closed before it is released
    std::atomic<std::uint8_t> m_cardState{card_state::kUnknown};  // also written by the monitor
    const bool m_directQuery;
    std::int32_t m_getResponseClass = 0;
    bool m_apduLevel = true;
    bool m_firstQueryDone = false;
    std::unique_ptr<CPresenceMonitor> m_monitor;  // last: its thread reports into the fields above
};

}  // namespace tessaly
