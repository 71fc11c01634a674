#include "common/cli/JsonText.h"

namespace tessaly::cli {

Json Latin1String(const std::string& text) {
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8.push_back(c);
        } else {
            utf8.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return utf8;
}

Json Latin1Strings(const std::vector<std::string>& texts) {
    Json array = Json::array();
    for (const std::string& text : texts) {
        array.push_back(Latin1String(text));
    }
    return array;
}

std::string JsonText(const Json& value) {
    // ensure_ascii: everything from 0x7F up is \u00XX already.
    const std::string compact = value.dump(-1, ' ', true);
    std::string text;
    text.reserve(compact.size() + compact.size() / 8);
    bool inString = false;
    for (std::size_t i = 0; i < compact.size(); ++i) {
        const char c = compact[i];
        if (!inString) {
            text.push_back(c);
            if (c == '"') {
                inString = true;
            } else if (c == ',' || c == ':') {
                text.push_back(' ');
            }
            continue;
        }
        if (c == '"') {
            inString = false;
            text.push_back(c);
        } else if (c == '\\' && i + 1 < compact.size()) {
            const char escaped = compact[++i];
            if (escaped == 'b') {
                text += "\\u0008";
            } else if (escaped == 'f') {
                text += "\\u000c";
            } else {
                text.push_back(c);
                text.push_back(escaped);
            }
        } else {
            text.push_back(c);
        }
    }
    return text;
}

}  // namespace tessaly::cli
