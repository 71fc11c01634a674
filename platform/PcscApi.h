// The PC/SC calls the reader layer and the card lab make, with portable types. Results are the
// platform's own codes as unsigned 32-bit numbers (WinSCard and pcsc-lite share the values).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tessaly::platform {

using PcscResult = std::uint32_t;
// A context or card handle; 0 stands for "none".
using PcscHandle = std::uintptr_t;

namespace pcsc {

inline constexpr PcscResult kSuccess = 0;
inline constexpr PcscResult kCancelled = 0x80100002;
inline constexpr PcscResult kInvalidHandle = 0x80100003;
inline constexpr PcscResult kTimeout = 0x8010000A;
inline constexpr PcscResult kNoSmartcard = 0x8010000C;

inline constexpr std::uint32_t kProtocolT0 = 0x0001;
inline constexpr std::uint32_t kProtocolT1 = 0x0002;

inline constexpr std::uint32_t kStateUnaware = 0x0000;
inline constexpr std::uint32_t kStateChanged = 0x0002;
inline constexpr std::uint32_t kStateUnknown = 0x0004;
inline constexpr std::uint32_t kStateEmpty = 0x0010;
inline constexpr std::uint32_t kStatePresent = 0x0020;

// What happens to the card when a connection or transaction ends.
enum class Disposition : std::uint32_t { Leave = 0, Reset = 1, Unpower = 2, Eject = 3 };

}  // namespace pcsc

struct PcscCardStatus {
    std::uint32_t state = 0;
    std::uint32_t protocol = 0;
    std::vector<std::uint8_t> atr;
};

// A context of user scope.
PcscResult PcscEstablishContext(PcscHandle& context);
PcscResult PcscReleaseContext(PcscHandle context);
// Ends a blocking call that another thread makes on `context` (it returns pcsc::kCancelled).
PcscResult PcscCancel(PcscHandle context);

// The reader names of all groups as the platform's multi-string (names ended by a zero character,
// the list by an empty name), whole: the buffer has the length the platform asks for, however many
// readers there are and however long their names.
PcscResult PcscListReaders(PcscHandle context, std::string& multiString);

// Shared access, protocol T=0 or T=1.
PcscResult PcscConnect(PcscHandle context, const std::string& reader, PcscHandle& card,
                       std::uint32_t& protocol);
// Shared access, T=0 or T=1, resetting the card (warm reset).
PcscResult PcscReconnect(PcscHandle card, std::uint32_t& protocol);
PcscResult PcscDisconnect(PcscHandle card, pcsc::Disposition disposition);

PcscResult PcscBeginTransaction(PcscHandle card);
PcscResult PcscEndTransaction(PcscHandle card, pcsc::Disposition disposition);

// Card status with buffers of the given sizes for the reader name and the ATR. With
// `readerBufferChars` 0 the reader's name is not asked for, so no name can be too long for it.
PcscResult PcscStatus(PcscHandle card, std::size_t readerBufferChars, std::size_t atrBufferBytes,
                      PcscCardStatus& status);

// One exchange with the protocol control block of `protocol` (T=0 or T=1; none for any other value).
// `received` gets at most `receiveBufferBytes` bytes: the answer on success, nothing on failure.
PcscResult PcscTransmit(PcscHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::size_t receiveBufferBytes, std::vector<std::uint8_t>& received);

// Waits up to `timeoutMs` for the state of one reader to differ from `currentState`; `eventState`
// gets the reader's state as the platform reports it (also on a time-out).
PcscResult PcscGetStatusChange(PcscHandle context, std::uint32_t timeoutMs, const std::string& reader,
                               std::uint32_t currentState, std::uint32_t& eventState);

}  // namespace tessaly::platform
