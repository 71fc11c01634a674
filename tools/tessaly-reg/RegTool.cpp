#include "tools/tessaly-reg/RegTool.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

#include "common/cli/CommandLine.h"
#include "common/registry/RegistryPath.h"
#include "tools/tessaly-reg/RegFile.h"
#include "tools/tessaly-reg/RegTransfer.h"

namespace tessaly::tools {
namespace {

using platform::CRegistryStore;
using platform::RegistryAccess;
using platform::RegistryValue;

// The short root names that reg.exe takes, for paths typed on the command line. Files always carry
// the long names.
constexpr std::pair<const char*, const char*> kShortRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKCU", "HKEY_CURRENT_USER"},   {"HKCR", "HKEY_CLASSES_ROOT"},
    {"HKU", "HKEY_USERS"},          {"HKCC", "HKEY_CURRENT_CONFIG"},
};

// What a command was given: the path (or file) and the other words and switches.
struct Arguments {
    std::string path;
    std::string value;
    bool dword = false;
    bool sz = false;
    bool expandSz = false;
    bool deleteValue = false;
};

bool SameIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

// The path with a short root name (HKLM, ...) replaced by the long one.
std::string LongRootPath(const std::string& text) {
    const std::size_t end = std::min(text.find('\\'), text.size());
    for (const auto& [shortName, longName] : kShortRoots) {
        if (SameIgnoringCase(text.substr(0, end), shortName)) {
            return longName + text.substr(end);
        }
    }
    return text;
}

int Failed(std::ostream& err, const std::string& message) {
    err << "tessaly-reg: " << message << "\n";
    return kExitFailed;
}

// -2147483648 to 4294967295 in decimal, or 0x followed by up to 8 hexadecimal digits.
std::optional<std::uint32_t> ParseNumber(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t value = 0;
        const auto [end, ec] = std::from_chars(first + 2, last, value, 16);
        if (ec == std::errc() && end == last) {
            return value;
        }
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, 10);
    if (ec != std::errc() || end != last || value < -2147483648LL || value > 4294967295LL) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::string ValueText(const RegistryValue& value) {
    if (value.type == platform::kRegSz || value.type == platform::kRegExpandSz) {
        std::size_t length = value.data.size();
        if (length > 0 && value.data[length - 1] == 0) {
            --length;
        }
        return std::string(value.data.begin(), value.data.begin() + static_cast<std::ptrdiff_t>(length));
    }
    if (value.type == platform::kRegDword && value.data.size() == 4) {
        const std::uint32_t number = static_cast<std::uint32_t>(value.data[0]) |
                                     (static_cast<std::uint32_t>(value.data[1]) << 8) |
                                     (static_cast<std::uint32_t>(value.data[2]) << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        return std::to_string(number);
    }
    return RegValueData(value);
}

int Get(const Arguments& args, std::ostream& out, std::ostream& err) {
    const CRegistryPath path(LongRootPath(args.path), false);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.path);
    }
    CRegistryStore store;
    const platform::CRegistryKey key = store.OpenKey(*path.Root(), path.KeyPath(), RegistryAccess::Read);
    RegistryValue value;
    if (!key.IsOpen() || !key.QueryValue(path.ValueName(), value)) {
        return Failed(err, "no value " + args.path + " in " + CRegistryStore::Location());
    }
    out << ValueText(value) << "\n";
    return kExitDone;
}

int Set(const Arguments& args, std::ostream& err) {
    const CRegistryPath path(LongRootPath(args.path), false);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.path);
    }
    const std::string& text = args.value;
    RegistryValue value;
    if (args.dword) {
        const std::optional<std::uint32_t> number = ParseNumber(text);
        if (!number) {
            return Failed(err, "\"" + text + "\" is not a 32-bit number (decimal, or hexadecimal with 0x)");
        }
        value = {platform::kRegDword,
                 {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                  static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)}};
    } else {
        value = {args.expandSz ? platform::kRegExpandSz : platform::kRegSz, {text.begin(), text.end()}};
        value.data.push_back(0);
    }
    CRegistryStore store;
    platform::CRegistryKey key = store.CreateKey(*path.Root(), path.KeyPath());
    if (!key.IsOpen() || !key.SetValue(path.ValueName(), value)) {
        return Failed(err, "cannot write " + args.path + " in " + CRegistryStore::Location());
    }
    return kExitDone;
}

int Delete(const Arguments& args, std::ostream& err) {
    const bool value = args.deleteValue;
    const CRegistryPath path(LongRootPath(args.path), !value);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.path);
    }
    CRegistryStore store;
    platform::RegistryStatus status = platform::RegistryStatus::Failed;
    if (value) {
        platform::CRegistryKey key = store.OpenKey(*path.Root(), path.KeyPath(), RegistryAccess::Write);
        status = key.IsOpen() ? key.DeleteValue(path.ValueName()) : platform::RegistryStatus::NotFound;
    } else if (path.KeyPath().empty()) {
        return Failed(err, "a root key cannot be deleted");
    } else {
        status = store.DeleteTree(*path.Root(), path.KeyPath());
    }
    if (status == platform::RegistryStatus::NotFound) {
        return Failed(err, std::string(value ? "no value " : "no key ") + args.path + " in " +
                               CRegistryStore::Location());
    }
    if (status == platform::RegistryStatus::Failed) {
        return Failed(err, "cannot delete " + args.path + " in " + CRegistryStore::Location());
    }
    return kExitDone;
}

int List(const Arguments& args, std::ostream& out, std::ostream& err) {
    const CRegistryPath path(LongRootPath(args.path), true);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.path);
    }
    CRegistryStore store;
    const platform::CRegistryKey key = store.OpenKey(*path.Root(), path.KeyPath(), RegistryAccess::Read);
    std::vector<std::string> names;
    if (!key.IsOpen() || !key.EnumSubKeys(names)) {
        return Failed(err, "no key " + args.path + " in " + CRegistryStore::Location());
    }
    for (const std::string& name : names) {
        out << name << "\n";
    }
    return kExitDone;
}

int Export(const Arguments& args, std::ostream& out, std::ostream& err) {
    CRegistryStore store;
    std::string text;
    std::string error;
    if (args.path.empty()) {
        if (!ExportAll(store, text, error)) {
            return Failed(err, error);
        }
    } else {
        const CRegistryPath path(LongRootPath(args.path), true);
        if (!path.Root()) {
            return Failed(err, "unknown root key in " + args.path);
        }
        text = std::string(kRegFileHeader) + "\n\n";
        if (!ExportKey(store, *path.Root(), path.KeyPath(), text, error)) {
            return Failed(err, error);
        }
    }
    out << text;
    return kExitDone;
}

int Import(const Arguments& args, std::ostream& err) {
    const std::string& fileName = args.path;
    std::ifstream file(fileName, std::ios::in | std::ios::binary);
    std::ostringstream bytes;
    if (!file || !(bytes << file.rdbuf())) {
        return Failed(err, "cannot read " + fileName);
    }
    std::vector<RegFileEntry> entries;
    std::string error;
    if (!ParseRegFile(bytes.str(), entries, error)) {
        return Failed(err, fileName + ": " + error + "; nothing was imported");
    }
    CRegistryStore store;
    if (!ApplyRegFile(store, entries, error)) {
        return Failed(err, fileName + ": " + error);
    }
    return kExitDone;
}

CLI::App* AddCommand(CLI::App& app, cli::Action& chosen, const char* name, const char* description,
                     cli::Action action) {
    CLI::App* command = app.add_subcommand(name, description);
    cli::OnChosen(*command, chosen, std::move(action));
    return command;
}

}  // namespace

int RunRegTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CLI::App app("Reads and writes the registry settings and imports and exports .reg files.", "tessaly-reg");
    cli::Prepare(app);
    app.footer(
        "PATH is a full path such as HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ReaderId; the roots\n"
        "may be written HKLM, HKCU, HKCR, HKU and HKCC. Put -- before a VALUE that starts with a dash.\n"
        "The registry file is $TESSALY_REGISTRY (on Windows: the system registry).\n"
        "Exit status: 0 done, 1 failed, 2 bad usage.");
    cli::Action chosen;
    Arguments given;
    const auto path = [&given](CLI::App* command, const char* name, const char* description) {
        command->add_option(name, given.path, description)->required();
    };

    path(AddCommand(app, chosen, "get", "Print a value (texts as they are, numbers in decimal)",
                    [&] { return Get(given, out, err); }),
         "PATH", "The value");

    CLI::App* set = AddCommand(app, chosen, "set", "Write a value (default --sz); keys are created",
                               [&] { return Set(given, err); });
    path(set, "PATH", "The value");
    set->add_option("VALUE", given.value, "The text, or the number for --dword")->required();
    CLI::Option* dword = set->add_flag("--dword", given.dword,
                                       "A 32-bit number: decimal (may be negative) or 0x and hex digits");
    CLI::Option* sz = set->add_flag("--sz", given.sz, "A text (REG_SZ)");
    CLI::Option* expandSz =
        set->add_flag("--expand-sz", given.expandSz, "A text with %VARIABLES% (REG_EXPAND_SZ)");
    dword->excludes(sz)->excludes(expandSz);
    sz->excludes(expandSz);

    CLI::App* erase = AddCommand(app, chosen, "delete", "Delete a key with everything below it, or one value",
                                 [&] { return Delete(given, err); });
    path(erase, "PATH", "The key, or the value with --value");
    erase->add_flag("--value", given.deleteValue, "PATH names a value");

    path(
        AddCommand(app, chosen, "list", "Print the sub-keys of a key", [&] { return List(given, out, err); }),
        "KEY", "The key");

    AddCommand(app, chosen, "export", "Print a key (or everything) as a .reg file", [&] {
        return Export(given, out, err);
    })->add_option("KEY", given.path, "The key; everything when not given");

    path(AddCommand(app, chosen, "import", "Apply a .reg file, all of it or nothing",
                    [&] { return Import(given, err); }),
         "FILE", "The .reg file (UTF-16LE as regedit saves it, UTF-8 or single-byte)");

    std::istringstream none;
    return cli::Run(app, args, {none, out, err}, chosen);
}

}  // namespace tessaly::tools
