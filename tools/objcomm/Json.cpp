#include "tools/objcomm/Json.h"

#include "common/Format.h"

namespace tessaly::tools {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte >= 0x7F) {
                    out += FormatText("\\u%04x", static_cast<unsigned>(byte));
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

void JsonObject::Key(const char* key) {
    if (!m_body.empty()) {
        m_body += ", ";
    }
    m_body += JsonString(key);
    m_body += ": ";
}

JsonObject& JsonObject::Add(const char* key, const std::string& value) {
    Key(key);
    m_body += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Add(const char* key, std::int64_t value) {
    Key(key);
    m_body += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Add(const char* key, bool value) {
    Key(key);
    m_body += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::Add(const char* key, const CStringArray& values) {
    Key(key);
    m_body += "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            m_body += ", ";
        }
        m_body += JsonString(values[i]);
    }
    m_body += "]";
    return *this;
}

JsonObject& JsonObject::AddRaw(const char* key, const std::string& json) {
    Key(key);
    m_body += json;
    return *this;
}

}  // namespace tessaly::tools
