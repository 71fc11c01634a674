// The text format of registry export files ("Windows Registry Editor Version 5.00"), so that one
// .reg file deploys the same settings on Windows and on the file store.
//
// Reading accepts UTF-16LE (with its byte order mark, as regedit writes), UTF-8 with a byte order
// mark, or single-byte text. Texts are single-byte: a character above U+00FF is an error. Lines may
// end with LF or CR LF; ';' starts a comment line; hex data continues over lines ending in '\'.
// Writing produces single-byte text with LF line ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace tessaly::tools {

inline constexpr const char* kRegFileHeader = "Windows Registry Editor Version 5.00";

// One change a file asks for, with the line it comes from.
struct RegFileEntry {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };

    Kind kind = Kind::CreateKey;
    int line = 0;
    platform::RegistryRoot root = platform::RegistryRoot::LocalMachine;
    std::string path;  // below the root; empty for the root itself
    std::string name;  // value name; empty for the default value (@)
    platform::RegistryValue value;
};

// Parses a whole file. On bad input answers false with "line N: ..." in `error`; nothing is
// partly parsed then.
bool ParseRegFile(const std::string& bytes, std::vector<RegFileEntry>& entries, std::string& error);

// "[HKEY_...\path]"
std::string RegKeyLine(platform::RegistryRoot root, const std::string& path);
// "name"=data in the form regedit writes for the type. False (with `error`) for a name that no
// line can hold (it contains a line break).
bool RegValueLine(const platform::NamedRegistryValue& value, std::string& line, std::string& error);
// The data part alone: "text", dword:0000002a, hex:..., hex(2):...
std::string RegValueData(const platform::RegistryValue& value);

// Texts of types 1, 2 and 7 appear in files as UTF-16LE; the store keeps them single-byte.
bool IsTextType(std::uint32_t type);
std::vector<std::uint8_t> ToUtf16(const std::vector<std::uint8_t>& text);
// False when a unit is above 0xFF or the byte count is odd.
bool FromUtf16(const std::vector<std::uint8_t>& utf16, std::vector<std::uint8_t>& text);

}  // namespace tessaly::tools
