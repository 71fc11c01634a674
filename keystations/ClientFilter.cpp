#include "keystations/ClientFilter.h"

#include <cstddef>

#include "common/Format.h"
#include "platform/Socket.h"

namespace tessaly {
namespace {

bool IsSeparator(char c) {
    return c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The address in host byte order, from text that must be exactly dotted decimal.
std::optional<std::uint32_t> HostOrderAddress(const CString& text) {
    const std::optional<std::uint32_t> network = platform::ParseIpv4(text);
    if (!network) {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&*network);
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

std::optional<int> PrefixLength(const CString& text) {
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > 32) {
        return std::nullopt;
    }
    return value;
}

std::uint32_t MaskOf(int prefix) {
    return prefix == 0 ? 0U : ~std::uint32_t{0} << (32 - prefix);
}

CString DottedText(std::uint32_t address) {
    return FormatText("%u.%u.%u.%u", (address >> 24) & 0xFFU, (address >> 16) & 0xFFU, (address >> 8) & 0xFFU,
                      address & 0xFFU);
}

int PrefixOf(std::uint32_t mask) {
    int prefix = 0;
    while (prefix < 32 && (mask & (0x80000000U >> prefix)) != 0) {
        ++prefix;
    }
    return prefix;
}

}  // namespace

std::optional<CClientFilter> CClientFilter::Parse(const CString& text, CString& error) {
    CClientFilter filter;
    filter.m_everyone = false;
    std::size_t position = 0;
    while (position < text.size()) {
        if (IsSeparator(text[position])) {
            ++position;
            continue;
        }
        std::size_t end = position;
        while (end < text.size() && !IsSeparator(text[end])) {
            ++end;
        }
        const CString entry = text.substr(position, end - position);
        position = end;

        const std::size_t slash = entry.find('/');
        const CString addressText = entry.substr(0, slash);
        const std::optional<std::uint32_t> address = HostOrderAddress(addressText);
        std::optional<int> prefix = 32;
        if (slash != CString::npos) {
            prefix = PrefixLength(entry.substr(slash + 1));
        }
        if (!address || !prefix) {
            error = FormatText("\"%s\" is not an IPv4 address or an address/prefix (for example 10.1.2.0/24)",
                               entry.c_str());
            return std::nullopt;
        }
        const std::uint32_t mask = MaskOf(*prefix);
        filter.m_networks.push_back({*address & mask, mask});
        if (mask == 0) {
            filter.m_everyone = true;
        }
    }
    if (filter.m_networks.empty()) {
        filter.m_everyone = true;
    }
    return filter;
}

bool CClientFilter::Allows(const CString& address) const {
    if (m_everyone) {
        return true;
    }
    const std::optional<std::uint32_t> client = HostOrderAddress(address);
    if (!client) {
        return false;
    }
    for (const Network& network : m_networks) {
        if ((*client & network.mask) == network.address) {
            return true;
        }
    }
    return false;
}

CString CClientFilter::Describe() const {
    if (m_everyone) {
        return "everyone";
    }
    CString text;
    for (const Network& network : m_networks) {
        if (!text.empty()) {
            text += ", ";
        }
        text += DottedText(network.address) + "/" + FormatText("%d", PrefixOf(network.mask));
    }
    return text;
}

}  // namespace tessaly
