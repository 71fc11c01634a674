#include "keystations/StationSettings.h"

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "common/registry/RegistryPath.h"
#include "platform/Socket.h"

namespace tessaly {
namespace {

CString Trimmed(const CString& text) {
    return TrimmedText(text, " \t\r\n");
}

// The text of a value, or nothing when the value is missing (or the registry cannot be read).
std::optional<CString> ReadValue(const CString& baseKey, const char* name) {
    CString text;
    if (!CRegistryPath(baseKey + "\\" + name, false).GetString(text)) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::optional<LoadedStationSettings> LoadStationSettings(const CString& baseKey, CString& error,
                                                         CStringArray& warnings) {
    LoadedStationSettings settings;

    const CString bind = Trimmed(ReadValue(baseKey, kBindAddressValue).value_or(CString()));
    if (!bind.empty()) {
        if (!platform::ParseIpv4(bind)) {
            error = FormatText("%s\\%s \"%s\" is not a dotted-decimal IPv4 address", baseKey.c_str(),
                               kBindAddressValue, bind.c_str());
            return std::nullopt;
        }
        settings.options.bindAddress = bind;
    }

    const CString allowed = ReadValue(baseKey, kAllowedClientsValue).value_or(CString());
    if (!Trimmed(allowed).empty()) {
        CString why;
        std::optional<CClientFilter> filter = CClientFilter::Parse(allowed, why);
        if (!filter) {
            error = FormatText("%s\\%s: %s", baseKey.c_str(), kAllowedClientsValue, why.c_str());
            return std::nullopt;
        }
        settings.options.clients = std::make_shared<const CClientFilter>(std::move(*filter));
    }

    const std::optional<CString> keyText = ReadValue(baseKey, kStationKeyValue);
    StationKey key = DevelopmentStationKey();
    if (!keyText) {
        settings.developmentKey = true;
        warnings.push_back(FormatText(
            "%s\\%s is not set: Diversify Keys replies are enciphered with the published development key. "
            "Set StationKey (48 hexadecimal digits, the host's key) on every production installation.",
            baseKey.c_str(), kStationKeyValue));
    } else {
        const std::optional<StationKey> parsed = ParseStationKey(*keyText);
        if (!parsed) {
            error = FormatText("%s\\%s is not 48 hexadecimal digits", baseKey.c_str(), kStationKeyValue);
            return std::nullopt;
        }
        key = *parsed;
    }
    auto cipher = std::make_shared<const CCipherContext>(key);
    key.fill(0);
    if (!cipher->IsReady()) {
        warnings.push_back(
            "The Triple DES cipher could not be set up: Diversify Keys replies carry return code 0x89.");
    }
    settings.options.cipher = std::move(cipher);
    return settings;
}

}  // namespace tessaly
