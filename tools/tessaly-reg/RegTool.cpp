#include "tools/tessaly-reg/RegTool.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "common/registry/RegistryPath.h"
#include "tools/tessaly-reg/RegFile.h"
#include "tools/tessaly-reg/RegTransfer.h"

namespace tessaly::tools {
namespace {

using platform::RegistryAccess;
using platform::RegistryStore;
using platform::RegistryValue;

constexpr const char* kUsage =
    "usage: tessaly-reg COMMAND ...\n"
    "  get PATH                                 print a value (texts as they are, numbers in decimal)\n"
    "  set PATH VALUE [--dword|--sz|--expand-sz] write a value (default --sz); keys are created\n"
    "  delete PATH [--value]                    delete a key with everything below it, or one value\n"
    "  list KEY                                 print the sub-keys of a key\n"
    "  export [KEY]                             print a key (or everything) as a .reg file\n"
    "  import FILE                              apply a .reg file, all of it or nothing\n"
    "PATH is a full path such as HKEY_LOCAL_MACHINE\\SOFTWARE\\Tessaly\\Halcyra\\ReaderId.\n"
    "The registry file is $TESSALY_REGISTRY (on Windows: the system registry).\n";

struct Arguments {
    std::vector<std::string> positional;
    std::vector<std::string> options;

    bool Has(const char* option) const {
        for (const std::string& given : options) {
            if (given == option) {
                return true;
            }
        }
        return false;
    }
};

int Usage(std::ostream& err, const std::string& problem) {
    err << "tessaly-reg: " << problem << "\n" << kUsage;
    return kExitUsage;
}

int Failed(std::ostream& err, const std::string& message) {
    err << "tessaly-reg: " << message << "\n";
    return kExitFailed;
}

bool OnlyOptions(const Arguments& args, std::initializer_list<const char*> allowed, std::string& bad) {
    for (const std::string& given : args.options) {
        bool known = false;
        for (const char* option : allowed) {
            known = known || given == option;
        }
        if (!known) {
            bad = given;
            return false;
        }
    }
    return true;
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
    if (args.positional.size() != 1 || !args.options.empty()) {
        return Usage(err, "get takes one PATH");
    }
    const CRegistryPath path(args.positional[0], false);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.positional[0]);
    }
    RegistryStore store;
    const platform::RegistryKey key = store.OpenKey(*path.Root(), path.KeyPath(), RegistryAccess::Read);
    RegistryValue value;
    if (!key.IsOpen() || !key.QueryValue(path.ValueName(), value)) {
        return Failed(err, "no value " + args.positional[0] + " in " + RegistryStore::Location());
    }
    out << ValueText(value) << "\n";
    return kExitDone;
}

int Set(const Arguments& args, std::ostream& err) {
    std::string bad;
    if (args.positional.size() != 2 || !OnlyOptions(args, {"--dword", "--sz", "--expand-sz"}, bad)) {
        return Usage(err, bad.empty() ? "set takes PATH and VALUE" : "unknown option " + bad);
    }
    if (args.options.size() > 1) {
        return Usage(err, "give at most one of --dword, --sz, --expand-sz");
    }
    const CRegistryPath path(args.positional[0], false);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.positional[0]);
    }
    const std::string& text = args.positional[1];
    RegistryValue value;
    if (args.Has("--dword")) {
        const std::optional<std::uint32_t> number = ParseNumber(text);
        if (!number) {
            return Failed(err, "\"" + text + "\" is not a 32-bit number (decimal, or hexadecimal with 0x)");
        }
        value = {platform::kRegDword,
                 {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                  static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)}};
    } else {
        value = {args.Has("--expand-sz") ? platform::kRegExpandSz : platform::kRegSz,
                 {text.begin(), text.end()}};
        value.data.push_back(0);
    }
    RegistryStore store;
    platform::RegistryKey key = store.CreateKey(*path.Root(), path.KeyPath());
    if (!key.IsOpen() || !key.SetValue(path.ValueName(), value)) {
        return Failed(err, "cannot write " + args.positional[0] + " in " + RegistryStore::Location());
    }
    return kExitDone;
}

int Delete(const Arguments& args, std::ostream& err) {
    std::string bad;
    if (args.positional.size() != 1 || !OnlyOptions(args, {"--value"}, bad)) {
        return Usage(err, bad.empty() ? "delete takes one PATH" : "unknown option " + bad);
    }
    const bool value = args.Has("--value");
    const CRegistryPath path(args.positional[0], !value);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.positional[0]);
    }
    RegistryStore store;
    platform::RegistryStatus status = platform::RegistryStatus::Failed;
    if (value) {
        platform::RegistryKey key = store.OpenKey(*path.Root(), path.KeyPath(), RegistryAccess::Write);
        status = key.IsOpen() ? key.DeleteValue(path.ValueName()) : platform::RegistryStatus::NotFound;
    } else if (path.KeyPath().empty()) {
        return Failed(err, "a root key cannot be deleted");
    } else {
        status = store.DeleteTree(*path.Root(), path.KeyPath());
    }
    if (status == platform::RegistryStatus::NotFound) {
        return Failed(err, std::string(value ? "no value " : "no key ") + args.positional[0] + " in " +
                               RegistryStore::Location());
    }
    if (status == platform::RegistryStatus::Failed) {
        return Failed(err, "cannot delete " + args.positional[0] + " in " + RegistryStore::Location());
    }
    return kExitDone;
}

int List(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.positional.size() != 1 || !args.options.empty()) {
        return Usage(err, "list takes one KEY");
    }
    const CRegistryPath path(args.positional[0], true);
    if (!path.Root()) {
        return Failed(err, "unknown root key in " + args.positional[0]);
    }
    RegistryStore store;
    const platform::RegistryKey key = store.OpenKey(*path.Root(), path.KeyPath(), RegistryAccess::Read);
    std::vector<std::string> names;
    if (!key.IsOpen() || !key.EnumSubKeys(names)) {
        return Failed(err, "no key " + args.positional[0] + " in " + RegistryStore::Location());
    }
    for (const std::string& name : names) {
        out << name << "\n";
    }
    return kExitDone;
}

int Export(const Arguments& args, std::ostream& out, std::ostream& err) {
    if (args.positional.size() > 1 || !args.options.empty()) {
        return Usage(err, "export takes at most one KEY");
    }
    RegistryStore store;
    std::string text;
    std::string error;
    if (args.positional.empty()) {
        if (!ExportAll(store, text, error)) {
            return Failed(err, error);
        }
    } else {
        const CRegistryPath path(args.positional[0], true);
        if (!path.Root()) {
            return Failed(err, "unknown root key in " + args.positional[0]);
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
    if (args.positional.size() != 1 || !args.options.empty()) {
        return Usage(err, "import takes one FILE");
    }
    const std::string& fileName = args.positional[0];
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
    RegistryStore store;
    if (!ApplyRegFile(store, entries, error)) {
        return Failed(err, fileName + ": " + error);
    }
    return kExitDone;
}

}  // namespace

int RunRegTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        err << kUsage;
        return kExitUsage;
    }
    Arguments rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        (args[i].size() > 2 && args[i].compare(0, 2, "--") == 0 ? rest.options : rest.positional)
            .push_back(args[i]);
    }
    const std::string& command = args[0];
    if (command == "get") {
        return Get(rest, out, err);
    }
    if (command == "set") {
        return Set(rest, err);
    }
    if (command == "delete") {
        return Delete(rest, err);
    }
    if (command == "list") {
        return List(rest, out, err);
    }
    if (command == "export") {
        return Export(rest, out, err);
    }
    if (command == "import") {
        return Import(rest, err);
    }
    return Usage(err, "unknown command " + command);
}

}  // namespace tessaly::tools
