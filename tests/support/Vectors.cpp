#include "tests/support/Vectors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <sstream>

#include "common/TextEncoding.h"
#include "tests/support/TestPackets.h"

namespace tessaly::test {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// A quoted string with C escapes (\" \\ \t \n \xNN), from just after the opening quote.
bool ReadQuoted(const std::string& line, std::size_t& at, std::string& out) {
    while (at < line.size() && line[at] != '"') {
        char c = line[at++];
        if (c == '\\' && at < line.size()) {
            c = line[at++];
            if (c == 'x' && at + 2 <= line.size()) {
                CByteArray byte;
                if (!ParseHex(line.substr(at, 2), byte)) {
                    return false;
                }
                c = static_cast<char>(byte[0]);
                at += 2;
            } else if (c == 'n') {
                c = '\n';
            } else if (c == 't') {
                c = '\t';
            }
        }
        out += c;
    }
    return at++ < line.size();
}

bool Tokenize(const std::string& line, std::vector<Token>& tokens) {
    std::size_t at = 0;
    while (at < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[at])) != 0) {
            ++at;
        } else if (line[at] == '"') {
            Token token{"", true};
            ++at;
            if (!ReadQuoted(line, at, token.text)) {
                return false;
            }
            tokens.push_back(token);
        } else if (line[at] == '[') {
            const std::size_t end = line.find(']', at);
            if (end == std::string::npos) {
                return false;
            }
            tokens.push_back({line.substr(at, end + 1 - at)});
            at = end + 1;
        } else if (line[at] == '{' || line[at] == '}') {
            tokens.push_back({line.substr(at++, 1)});
        } else {
            std::size_t end = at;
            while (end < line.size() && std::isspace(static_cast<unsigned char>(line[end])) == 0 &&
                   line[end] != '{' && line[end] != '}') {
                ++end;
            }
            tokens.push_back({line.substr(at, end - at)});
            at = end;
        }
    }
    return true;
}

bool IsHexToken(const Token& token) {
    CByteArray ignored;
    return !token.quoted && token.text.size() % 2 == 0 && ParseHex(token.text, ignored);
}

bool AppendHex(const Token& token, CByteArray& bytes) {
    CByteArray more;
    if (token.quoted || !ParseHex(token.text, more)) {
        return false;
    }
    bytes.insert(bytes.end(), more.begin(), more.end());
    return true;
}

// name? frame flags hex* => outcome (reason)? (= hex*)? ({ notes })? (: quoted*)?
bool ParseCase(const std::vector<Token>& tokens, Vector& v) {
    std::size_t i = 0;
    const auto next = [&]() -> const Token* { return i < tokens.size() ? &tokens[i++] : nullptr; };
    const auto peek = [&](const char* text) { return i < tokens.size() && tokens[i].text == text; };
    if (i < tokens.size() && tokens[i].text.front() == '[') {
        v.name = tokens[i].text.substr(1, tokens[i].text.size() - 2);
        ++i;
    }
    const Token* frame = next();
    const Token* flags = next();
    if (frame == nullptr || flags == nullptr ||
        (flags->text != "-" && flags->text != "x" && flags->text != "*")) {
        return false;
    }
    v.frame = frame->text;
    v.flags = flags->text;
    while (i < tokens.size() && !peek("=>")) {
        if (!AppendHex(tokens[i++], v.bytes)) {
            return false;
        }
    }
    if (next() == nullptr) {
        return false;
    }
    const Token* outcome = next();
    if (outcome == nullptr || outcome->quoted) {
        return false;
    }
    v.outcome = outcome->text;
    if (v.IsRejection()) {
        const Token* reason = next();
        if (reason == nullptr || reason->text.size() != 2 || !IsHexToken(*reason)) {
            return false;
        }
        v.notes.push_back("reason=" + reason->text);
    }
    if (peek("=")) {
        ++i;
        v.writtenBack.emplace();
        while (i < tokens.size() && IsHexToken(tokens[i])) {
            AppendHex(tokens[i++], *v.writtenBack);
        }
    }
    if (peek("{")) {
        ++i;
        while (i < tokens.size() && !peek("}")) {
            v.notes.push_back(tokens[i++].text);
        }
        if (next() == nullptr) {
            return false;
        }
    }
    if (peek(":")) {
        ++i;
        v.description.emplace();
        while (i < tokens.size() && tokens[i].quoted) {
            v.description->push_back(tokens[i++].text);
        }
    }
    return i == tokens.size();
}

std::vector<Vector> Read(const std::string& file) {
    std::vector<Vector> vectors;
    const std::string path = std::string(TESSALY_TEST_DATA_DIR) + "/" + file;
    std::ifstream in(path);
    if (!in) {
        ADD_FAILURE() << "cannot read " << path;
        return vectors;
    }
    // Joins continuation lines, keeping the number of each case's first line.
    std::vector<std::pair<int, std::string>> cases;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        if (first != 0 && !cases.empty()) {
            cases.back().second += " " + line;
        } else {
            cases.emplace_back(number, line);
        }
    }
    for (const auto& [number, text] : cases) {
        Vector v;
        v.where = file + ":" + std::to_string(number);
        std::vector<Token> tokens;
        if (!Tokenize(text, tokens) || !ParseCase(tokens, v)) {
            ADD_FAILURE() << v.where << ": not a case: " << text;
            continue;
        }
        vectors.push_back(std::move(v));
    }
    return vectors;
}

// A hexadecimal number of the frame or the notes; a malformed one fails the current test and reads 0.
std::uint32_t HexNumber(const std::string& text) {
    CByteArray bytes;
    if (text.empty() || text.size() > 8 || !ParseHex(std::string(text.size() % 2, '0') + text, bytes)) {
        ADD_FAILURE() << "not a hexadecimal number: " << text;
        return 0;
    }
    std::uint32_t value = 0;
    for (const std::uint8_t byte : bytes) {
        value = value << 8 | byte;
    }
    return value;
}

std::uint8_t HexByte(const std::string& text) {
    return static_cast<std::uint8_t>(HexNumber(text));
}

}  // namespace

std::vector<bool> Vector::Extended() const {
    if (flags == "*") {
        return {false, true};
    }
    return {flags == "x"};
}

bool Vector::Has(const std::string& note) const {
    return std::find(notes.begin(), notes.end(), note) != notes.end();
}

std::optional<std::string> Vector::Note(const std::string& key) const {
    for (const std::string& note : notes) {
        if (note.rfind(key + "=", 0) == 0) {
            return note.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

CByteArray Vector::Packet() const {
    return PacketWithBody(bytes);
}

CByteArray Vector::PacketWithBody(const CByteArray& body) const {
    if (frame.rfind("0A/", 0) == 0) {
        return PassThroughPacket(HexByte(frame.substr(3, 2)), Transaction(), body);
    }
    if (frame.size() == 3 && (frame[0] == 'L' || frame[0] == 'S')) {
        return frame[0] == 'L' ? LongPacket(HexByte(frame.substr(1)), body)
                               : ShortPacket(HexByte(frame.substr(1)), body);
    }
    return body;
}

std::uint16_t Vector::Transaction() const {
    const std::size_t at = frame.find('@');
    if (at != std::string::npos) {
        return static_cast<std::uint16_t>(HexNumber(frame.substr(at + 1)));
    }
    if (const auto number = Note("tn")) {
        return static_cast<std::uint16_t>(HexNumber(*number));
    }
    return frame.rfind("0A/", 0) == 0 ? 1 : 0;
}

std::uint8_t Vector::FinishReason() const {
    return HexByte(Note("reason").value_or("00"));
}

bool Vector::IsWholeCut(std::size_t length) const {
    const std::string cuts = Note("cuts").value_or("");
    if (cuts == "*") {
        return true;
    }
    std::stringstream list(cuts);
    for (std::string item; std::getline(list, item, ',');) {
        if (item == std::to_string(length)) {
            return true;
        }
    }
    return false;
}

const std::vector<Vector>& LoadVectors(const std::string& file) {
    static std::map<std::string, std::vector<Vector>> loaded;
    const auto found = loaded.find(file);
    if (found != loaded.end()) {
        return found->second;
    }
    return loaded.emplace(file, Read(file)).first->second;
}

const Vector* FindVector(const std::vector<Vector>& vectors, const std::string& name) {
    for (const Vector& v : vectors) {
        if (v.name == name) {
            return &v;
        }
    }
    return nullptr;
}

}  // namespace tessaly::test
