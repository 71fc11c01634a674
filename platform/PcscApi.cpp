#include "platform/PcscApi.h"

// The platform's WinSCard header, chosen by the build (PcscNativePosix.h or PcscNativeWin32.h).
#include TESSALY_PCSC_NATIVE_HEADER

namespace tessaly::platform {

static_assert(pcsc::kCancelled == static_cast<PcscResult>(SCARD_E_CANCELLED));
static_assert(pcsc::kInvalidHandle == static_cast<PcscResult>(SCARD_E_INVALID_HANDLE));
static_assert(pcsc::kTimeout == static_cast<PcscResult>(SCARD_E_TIMEOUT));
static_assert(pcsc::kNoSmartcard == static_cast<PcscResult>(SCARD_E_NO_SMARTCARD));
static_assert(pcsc::kProtocolT0 == SCARD_PROTOCOL_T0 && pcsc::kProtocolT1 == SCARD_PROTOCOL_T1);
static_assert(pcsc::kStateChanged == SCARD_STATE_CHANGED && pcsc::kStatePresent == SCARD_STATE_PRESENT);
static_assert(pcsc::kStateEmpty == SCARD_STATE_EMPTY && pcsc::kStateUnknown == SCARD_STATE_UNKNOWN);
static_assert(static_cast<DWORD>(pcsc::Disposition::Reset) == SCARD_RESET_CARD);
static_assert(static_cast<DWORD>(pcsc::Disposition::Leave) == SCARD_LEAVE_CARD);
static_assert(static_cast<DWORD>(pcsc::Disposition::Unpower) == SCARD_UNPOWER_CARD);

namespace {

// pcsc-lite's LONG is 64 bits wide on LP64 systems; its result codes still fit in 32.
PcscResult Result(LONG rv) {
    return static_cast<PcscResult>(rv);
}

SCARDCONTEXT Context(PcscHandle handle) {
    return static_cast<SCARDCONTEXT>(handle);
}
SCARDHANDLE Card(PcscHandle handle) {
    return static_cast<SCARDHANDLE>(handle);
}

const SCARD_IO_REQUEST* ProtocolControl(std::uint32_t protocol) {
    if (protocol == SCARD_PROTOCOL_T0) {
        return SCARD_PCI_T0;
    }
    if (protocol == SCARD_PROTOCOL_T1) {
        return SCARD_PCI_T1;
    }
    return nullptr;
}

}  // namespace

PcscResult PcscEstablishContext(PcscHandle& context) {
    SCARDCONTEXT made = 0;
    const LONG rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &made);
    context = rv == SCARD_S_SUCCESS ? static_cast<PcscHandle>(made) : 0;
    return Result(rv);
}

PcscResult PcscReleaseContext(PcscHandle context) {
    return Result(SCardReleaseContext(Context(context)));
}

PcscResult PcscCancel(PcscHandle context) {
    return Result(SCardCancel(Context(context)));
}

PcscResult PcscListReaders(PcscHandle context, std::string& multiString) {
    multiString.clear();
    // A reader that arrives between the length query and the listing makes the buffer too small:
    // ask again.
    constexpr int kTries = 3;
    LONG rv = SCARD_S_SUCCESS;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        DWORD length = 0;
        rv = TESSALY_SCARD_A(SCardListReaders)(Context(context), nullptr, nullptr, &length);
        if (rv != SCARD_S_SUCCESS) {
            return Result(rv);
        }
        std::string buffer(length, '\0');
        rv = TESSALY_SCARD_A(SCardListReaders)(Context(context), nullptr, buffer.data(), &length);
        if (rv == SCARD_S_SUCCESS) {
            buffer.resize(length < buffer.size() ? length : buffer.size());
            multiString = std::move(buffer);
            return Result(rv);
        }
        if (rv != SCARD_E_INSUFFICIENT_BUFFER) {
            break;
        }
    }
    return Result(rv);
}

PcscResult PcscConnect(PcscHandle context, const std::string& reader, PcscHandle& card,
                       std::uint32_t& protocol) {
    SCARDHANDLE made = 0;
    DWORD active = 0;
    const LONG rv = TESSALY_SCARD_A(SCardConnect)(Context(context), reader.c_str(), SCARD_SHARE_SHARED,
                                                  SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &made, &active);
    card = rv == SCARD_S_SUCCESS ? static_cast<PcscHandle>(made) : 0;
    protocol = static_cast<std::uint32_t>(active);
    return Result(rv);
}

PcscResult PcscReconnect(PcscHandle card, std::uint32_t& protocol) {
    DWORD active = 0;
    const LONG rv = SCardReconnect(Card(card), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                                   SCARD_RESET_CARD, &active);
    protocol = static_cast<std::uint32_t>(active);
    return Result(rv);
}

PcscResult PcscDisconnect(PcscHandle card, pcsc::Disposition disposition) {
    return Result(SCardDisconnect(Card(card), static_cast<DWORD>(disposition)));
}

PcscResult PcscBeginTransaction(PcscHandle card) {
    return Result(SCardBeginTransaction(Card(card)));
}

PcscResult PcscEndTransaction(PcscHandle card, pcsc::Disposition disposition) {
    return Result(SCardEndTransaction(Card(card), static_cast<DWORD>(disposition)));
}

PcscResult PcscStatus(PcscHandle card, std::size_t readerBufferChars, std::size_t atrBufferBytes,
                      PcscCardStatus& status) {
    std::string reader(readerBufferChars, '\0');
    std::vector<BYTE> atr(atrBufferBytes);
    DWORD readerLength = static_cast<DWORD>(readerBufferChars);
    DWORD atrLength = static_cast<DWORD>(atrBufferBytes);
    DWORD state = 0;
    DWORD protocol = 0;
    const LONG rv = TESSALY_SCARD_A(SCardStatus)(Card(card), readerBufferChars == 0 ? nullptr : reader.data(),
                                                 &readerLength, &state, &protocol, atr.data(), &atrLength);
    status = PcscCardStatus{};
    if (rv == SCARD_S_SUCCESS) {
        status.state = static_cast<std::uint32_t>(state);
        status.protocol = static_cast<std::uint32_t>(protocol);
        status.atr.assign(atr.begin(), atr.begin() + static_cast<std::ptrdiff_t>(atrLength < atrBufferBytes
                                                                                     ? atrLength
                                                                                     : atrBufferBytes));
    }
    return Result(rv);
}

PcscResult PcscTransmit(PcscHandle card, std::uint32_t protocol, std::span<const std::uint8_t> command,
                        std::size_t receiveBufferBytes, std::vector<std::uint8_t>& received) {
    received.resize(receiveBufferBytes);
    DWORD length = static_cast<DWORD>(receiveBufferBytes);
    const LONG rv = SCardTransmit(Card(card), ProtocolControl(protocol), command.data(),
                                  static_cast<DWORD>(command.size()), nullptr, received.data(), &length);
    received.resize(rv == SCARD_S_SUCCESS && length <= receiveBufferBytes ? length : 0);
    return Result(rv);
}

PcscResult PcscGetStatusChange(PcscHandle context, std::uint32_t timeoutMs, const std::string& reader,
                               std::uint32_t currentState, std::uint32_t& eventState) {
    ReaderState state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = currentState;
    const LONG rv = TESSALY_SCARD_A(SCardGetStatusChange)(Context(context), timeoutMs, &state, 1);
    eventState = static_cast<std::uint32_t>(state.dwEventState);
    return Result(rv);
}

}  // namespace tessaly::platform
