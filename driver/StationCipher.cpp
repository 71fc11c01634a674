#include "driver/StationCipher.h"

#include "common/registry/RegistryPath.h"
#include "driver/QuorlinLog.h"

namespace tessaly {

CStationCipher::CStationCipher() {
    CString text;
    CRegistryPath path(kStationKeyPath, false);
    if (!path.GetString(text)) {
        m_source = KeySource::Development;
        m_context = std::make_unique<CCipherContext>(DevelopmentStationKey());
        return;
    }
    std::optional<StationKey> key = ParseStationKey(text);
    if (!key) {
        m_source = KeySource::Invalid;
        return;
    }
    m_source = KeySource::Configured;
    m_context = std::make_unique<CCipherContext>(*key);
    key->fill(0);
}

void CStationCipher::LogKeyNote() const {
    switch (m_source) {
        case KeySource::Configured:
            break;
        case KeySource::Development:
            LogInfo(__LINE__,
                    "Warning: StationKey is not set; enciphered data uses the published development key");
            break;
        case KeySource::Invalid:
            LogError(__LINE__, "StationKey is not 48 hexadecimal digits; enciphered data is refused");
            break;
    }
}

}  // namespace tessaly
