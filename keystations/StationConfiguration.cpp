#include "keystations/StationConfiguration.h"

#include "common/Format.h"
#include "common/registry/Registry.h"

namespace tessaly {
namespace {

constexpr const char kPrefix[] = "Server";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

bool IsStationKeyName(const CString& name) {
    if (name.size() < kPrefixLength) {
        return false;
    }
    for (std::size_t i = 0; i < kPrefixLength; ++i) {
        if (Upper(name[i]) != Upper(kPrefix[i])) {
            return false;
        }
    }
    return true;
}

std::vector<KeyStationEntry> LoadConfiguration(const CString& baseKey) {
    std::vector<KeyStationEntry> entries;
    CStringArray names;
    if (!ReadRegistrySubKeys(baseKey, names)) {
        return entries;
    }
    for (const CString& name : names) {
        if (!IsStationKeyName(name)) {
            continue;
        }
        const CString key = baseKey + "\\" + name;
        KeyStationEntry entry;
        entry.readerName = ReadRegistryString(key + "\\ReaderName");
        entry.port = static_cast<std::int16_t>(ReadRegistryDWord(key + "\\Port") & 0xFFFFU);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool SaveConfiguration(const CString& baseKey, const std::vector<KeyStationEntry>& entries) {
    bool saved = true;
    CStringArray names;
    if (ReadRegistrySubKeys(baseKey, names)) {
        for (const CString& name : names) {
            if (IsStationKeyName(name)) {
                saved = DeleteRegistryKey(baseKey + "\\" + name) && saved;
            }
        }
    }
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const CString key = baseKey + "\\" + FormatText("Server%u", static_cast<unsigned>(index));
        // The port as the sign-extended 32-bit number: 40000 is kept as 0xFFFF9C40.
        const auto port = static_cast<std::uint32_t>(static_cast<std::int32_t>(entries[index].port));
        saved = WriteRegistryString(key + "\\ReaderName", entries[index].readerName, false) && saved;
        saved = WriteRegistryDWord(key + "\\Port", port) && saved;
    }
    return saved;
}

}  // namespace tessaly
