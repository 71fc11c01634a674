#include "common/cli/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/Socket.h"
#include "tessaly/Version.h"

namespace tessaly::cli {
namespace {

// CLI11 names the option in front of a validator's text ("--port: ...").
std::string CheckPort(const std::string& text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 ||
        value > 65535) {
        return "\"" + text + "\" is not a port number (1 to 65535)";
    }
    return {};
}

std::string CheckIpv4(const std::string& text) {
    if (!platform::ParseIpv4(text)) {
        return "\"" + text + "\" is not a dotted-decimal IPv4 address";
    }
    return {};
}

std::string CheckHex(const std::string& text) {
    std::size_t digits = 0;
    for (const char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)) != 0) {
            ++digits;
        } else if (c != ' ' && c != '\t') {
            return "\"" + text + "\" is not hexadecimal bytes";
        }
    }
    if (digits % 2 != 0) {
        return "\"" + text + "\" has an odd number of hexadecimal digits";
    }
    return {};
}

}  // namespace

const char* VersionText() {
    return TESSALY_VERSION_TEXT;
}

void Prepare(CLI::App& app) {
    app.set_version_flag("--version", VersionText(), "Print the version and exit");
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.failure_message([](const CLI::App* failed, const CLI::Error& error) {
        std::string name = failed->get_name();
        for (const CLI::App* parent = failed->get_parent(); parent != nullptr;
             parent = parent->get_parent()) {
            name = parent->get_name() + " " + name;
        }
        return name + ": " + error.what() + "\nRun with --help for more information.\n";
    });
}

std::optional<int> Parse(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
    // CLI11 takes a vector in reverse order.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::Success& done) {
        return app.exit(done, out, err);
    } catch (const CLI::ParseError& error) {
        (void)app.exit(error, out, err);
        return kExitUsage;
    }
    return std::nullopt;
}

const CLI::Validator& PortNumber() {
    static const CLI::Validator kValidator(CheckPort, "PORT");
    return kValidator;
}

const CLI::Validator& Ipv4Address() {
    static const CLI::Validator kValidator(CheckIpv4, "A.B.C.D");
    return kValidator;
}

const CLI::Validator& HexBytes() {
    static const CLI::Validator kValidator(CheckHex, "HEX");
    return kValidator;
}

}  // namespace tessaly::cli
