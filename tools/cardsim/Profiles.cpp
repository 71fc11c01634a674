#include "tools/cardsim/Profiles.h"

#include "common/TextEncoding.h"
#include "lab/ContactlessReaderModel.h"
#include "lab/IsoCard.h"

namespace tessaly::tools {

const char* const kCardsimUsage =
    "usage: cardsim --port PORT --profile t0|t1|iso14443|mifare1k|mifare4k [--atr HEX] [--quiet]\n"
    "Puts one virtual card into the vpcd reader slot that listens on PORT (on this computer) until\n"
    "stopped with SIGINT or SIGTERM, and prints every message of the slot and the card's answer.\n"
    "  t0, t1      contact card (T=0 or T=1) with a small ISO 7816-4 file system\n"
    "  iso14443    contactless reader with an ISO 14443-4 card (transparent exchange, ATS)\n"
    "  mifare1k    contactless reader with a MIFARE Classic 1K card (transport keys FF..FF)\n"
    "  mifare4k    the same with a MIFARE Classic 4K card\n"
    "  --atr HEX   answer to reset instead of the profile's own\n";

std::optional<CardsimOptions> ParseCardsimOptions(const std::vector<std::string>& arguments,
                                                  std::string& error) {
    CardsimOptions options;
    bool havePort = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (name != "--port" && name != "--profile" && name != "--atr") {
            error = "unknown argument: " + name;
            return std::nullopt;
        }
        if (i + 1 >= arguments.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (name == "--port") {
            std::size_t used = 0;
            unsigned long port = 0;
            try {
                port = std::stoul(value, &used, 10);
            } catch (const std::exception&) {
                used = 0;
            }
            if (used != value.size() || port == 0 || port > 65535) {
                error = "not a port number: " + value;
                return std::nullopt;
            }
            options.port = static_cast<std::uint16_t>(port);
            havePort = true;
        } else if (name == "--profile") {
            options.profile = value;
        } else if (!ParseHex(value, options.atr) || options.atr.empty()) {
            error = "not an ATR in hex: " + value;
            return std::nullopt;
        }
    }
    if (!havePort || options.profile.empty()) {
        error = "--port and --profile are required";
        return std::nullopt;
    }
    if (!MakeProfile(options.profile, {})) {
        error = "unknown profile: " + options.profile;
        return std::nullopt;
    }
    return options;
}

std::shared_ptr<lab::CVirtualCard> MakeProfile(const std::string& profile, const CByteArray& atr) {
    std::shared_ptr<lab::CVirtualCard> card;
    if (profile == "t0") {
        card = lab::MakeContactCard(lab::Transport::T0);
    } else if (profile == "t1") {
        card = lab::MakeContactCard(lab::Transport::T1);
    } else if (profile == "iso14443") {
        card = lab::CContactlessReaderModel::WithIsoCard();
    } else if (profile == "mifare1k") {
        card = lab::CContactlessReaderModel::WithMifare(lab::MifareSize::Classic1K);
    } else if (profile == "mifare4k") {
        card = lab::CContactlessReaderModel::WithMifare(lab::MifareSize::Classic4K);
    }
    if (card && !atr.empty()) {
        card->SetAtr(atr);
    }
    return card;
}

}  // namespace tessaly::tools
