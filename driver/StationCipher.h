// The driver's cipher context, built once from the `StationKey` setting (48 hexadecimal digits)
// under the driver's registry key. Missing: the published development key, and every job says so
// in the log. Present but malformed: no context at all; enciphered data is then refused (0x89)
// rather than handled with a key the host does not share.
#pragma once

#include <memory>

#include "protocol/cipher/CipherEnvelope.h"

namespace tessaly {

class CStationCipher {
public:
    enum class KeySource { Configured, Development, Invalid };

    static constexpr const char* kStationKeyPath =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\StationKey";

    // Reads the setting and builds the context.
    CStationCipher();

    // Null when the setting is malformed.
    const CCipherContext* Context() const { return m_context.get(); }
    KeySource Source() const { return m_source; }
    // Writes the job's note about the key to the log: a warning for the development key, an error
    // for a malformed setting, nothing for a configured key.
    void LogKeyNote() const;

private:
    std::unique_ptr<CCipherContext> m_context;
    KeySource m_source = KeySource::Invalid;
};

}  // namespace tessaly
