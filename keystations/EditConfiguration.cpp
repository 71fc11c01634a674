#include "keystations/EditConfiguration.h"

#include <algorithm>
#include <climits>

#include "common/Format.h"

namespace tessaly {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const CString& a, const CString& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool LessNoCase(const CString& a, const CString& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

// Leading blanks, a sign and the digits that follow; anything else ends the number, no digits give
// 0, and a number beyond the range of int stops at its limit.
int LeadingInteger(const CString& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

}  // namespace

CEditConfiguration::CEditConfiguration(const std::vector<KeyStationEntry>& entries,
                                       const CStringArray& pcscReaders) {
    for (const KeyStationEntry& entry : entries) {
        m_rows.push_back({entry.readerName, FormatText("%d", static_cast<int>(entry.UnsignedPort()))});
    }
    for (const CString& reader : pcscReaders) {
        const bool used = std::any_of(m_rows.begin(), m_rows.end(),
                                      [&](const EditRow& row) { return row.readerName == reader; });
        if (!used) {
            Offer(reader);
        }
    }
}

std::optional<int> CEditConfiguration::ParseInteger(const CString& text) {
    std::size_t first = 0;
    while (first < text.size() && IsBlank(text[first])) {
        ++first;
    }
    std::size_t last = text.size();
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    std::size_t i = first;
    if (i < last && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    if (i == last) {
        return std::nullopt;
    }
    long long value = 0;
    for (; i < last; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) {
            return std::nullopt;
        }
    }
    if (text[first] == '-') {
        value = -value;
    }
    if (value > INT_MAX || value < INT_MIN) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

int CEditConfiguration::RowPort(const EditRow& row) {
    return LeadingInteger(row.portText);
}

int CEditConfiguration::ProposedPort() const {
    if (m_rows.empty()) {
        return 1;
    }
    int highest = INT_MIN;
    for (const EditRow& row : m_rows) {
        highest = std::max(highest, RowPort(row));
    }
    return highest == INT_MAX ? INT_MAX : highest + 1;
}

void CEditConfiguration::Select(int row) {
    m_selection = row >= 0 && static_cast<std::size_t>(row) < m_rows.size() ? row : -1;
}

std::optional<CString> CEditConfiguration::Add(const CString& readerName, const CString& portText) {
    const std::optional<int> port = ParseInteger(portText);
    if (!port) {
        return CString(kNotAnInteger);
    }
    if (*port < kMinPort || *port > kMaxPort) {
        return CString(kPortRange);
    }
    for (const EditRow& row : m_rows) {
        if (RowPort(row) == *port) {
            return FormatText(kPortInUse, *port);
        }
    }
    if (std::all_of(readerName.begin(), readerName.end(), IsBlank)) {
        return CString(kSelectReader);
    }
    if (std::find(m_offered.begin(), m_offered.end(), readerName) == m_offered.end()) {
        return FormatText(kNotOffered, readerName.c_str());
    }
    m_rows.push_back({readerName, FormatText("%d", *port)});
    Withdraw(readerName);
    return std::nullopt;
}

std::optional<CString> CEditConfiguration::Remove() {
    if (m_selection < 0) {
        return CString(kSelectRow);
    }
    const auto index = static_cast<std::size_t>(m_selection);
    Offer(m_rows[index].readerName);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_rows.empty()) {
        m_selection = -1;
    } else {
        m_selection = static_cast<int>(std::min(index, m_rows.size() - 1));
    }
    return std::nullopt;
}

std::vector<KeyStationEntry> CEditConfiguration::Entries() const {
    std::vector<KeyStationEntry> entries;
    for (const EditRow& row : m_rows) {
        entries.push_back({row.readerName, static_cast<std::int16_t>(RowPort(row))});
    }
    return entries;
}

void CEditConfiguration::Offer(const CString& reader) {
    if (std::find(m_offered.begin(), m_offered.end(), reader) != m_offered.end()) {
        return;
    }
    m_offered.insert(std::upper_bound(m_offered.begin(), m_offered.end(), reader, LessNoCase), reader);
}

void CEditConfiguration::Withdraw(const CString& reader) {
    const auto found = std::find_if(m_offered.begin(), m_offered.end(),
                                    [&](const CString& offered) { return EqualNoCase(offered, reader); });
    if (found != m_offered.end()) {
        m_offered.erase(found);
    }
}

}  // namespace tessaly
