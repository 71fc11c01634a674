// A minimal JSON writer for the tool's machine-readable output.
#pragma once

#include <cstdint>
#include <string>

#include "common/Types.h"

namespace tessaly::tools {

// A JSON string literal for single-byte text. Bytes above 0x7F are taken as Latin-1 and written as
// \u00XX escapes, so the output is valid JSON (and ASCII) whatever the packet held.
std::string JsonString(const std::string& text);

class JsonObject {
public:
    JsonObject& Add(const char* key, const std::string& value);
    JsonObject& Add(const char* key, const char* value) { return Add(key, std::string(value)); }
    JsonObject& Add(const char* key, std::int64_t value);
    JsonObject& Add(const char* key, bool value);
    JsonObject& Add(const char* key, const CStringArray& values);
    // A value that is already JSON text.
    JsonObject& AddRaw(const char* key, const std::string& json);
    std::string Text() const { return "{" + m_body + "}"; }

private:
    void Key(const char* key);
    std::string m_body;
};

}  // namespace tessaly::tools
