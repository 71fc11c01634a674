// Owners of PC/SC handles: a context is always released, a card connection always closed and a
// transaction always ended, whatever path leaves the scope that holds them (exceptions included).
#pragma once

#include <cstdint>
#include <string>

#include "platform/PcscApi.h"

namespace tessaly {

// A PC/SC context of user scope.
class CPcscContext {
public:
    CPcscContext() = default;
    CPcscContext(const CPcscContext&) = delete;
    CPcscContext& operator=(const CPcscContext&) = delete;
    CPcscContext(CPcscContext&& other) noexcept;
    CPcscContext& operator=(CPcscContext&& other) noexcept;
    ~CPcscContext();

    // Releases a context held before and establishes a new one; holds none on failure.
    platform::PcscResult Establish();
    void Release();

    platform::PcscHandle Get() const { return m_handle; }
    bool IsValid() const { return m_handle != 0; }

private:
    platform::PcscHandle m_handle = 0;
};

// A connection to the card in one reader (shared access, T=0 or T=1). Closing it resets the card.
class CPcscCard {
public:
    CPcscCard() = default;
    CPcscCard(const CPcscCard&) = delete;
    CPcscCard& operator=(const CPcscCard&) = delete;
    CPcscCard(CPcscCard&& other) noexcept;
    CPcscCard& operator=(CPcscCard&& other) noexcept;
    ~CPcscCard();

    // Closes a connection held before and connects; holds none on failure. The context must
    // outlive the connection.
    platform::PcscResult Connect(const CPcscContext& context, const std::string& reader);
    // Warm reset of the connected card.
    platform::PcscResult Reconnect();
    // Closes the connection, resetting the card.
    void Disconnect();

    platform::PcscHandle Get() const { return m_handle; }
    bool IsConnected() const { return m_handle != 0; }
    // The protocol the last connect or reconnect made active (0 when none).
    std::uint32_t Protocol() const { return m_protocol; }

private:
    platform::PcscHandle m_handle = 0;
    std::uint32_t m_protocol = 0;
};

// A transaction on a card handle, begun by the constructor and ended (leaving the card as it is)
// by the destructor when it was begun.
class CPcscTransaction {
public:
    explicit CPcscTransaction(platform::PcscHandle card);
    CPcscTransaction(const CPcscTransaction&) = delete;
    CPcscTransaction& operator=(const CPcscTransaction&) = delete;
    ~CPcscTransaction();

    // The result of beginning it.
    platform::PcscResult Result() const { return m_result; }
    bool IsBegun() const { return m_result == platform::pcsc::kSuccess; }

private:
    const platform::PcscHandle m_card;
    const platform::PcscResult m_result;
};

}  // namespace tessaly
