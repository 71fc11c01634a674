// cardsim: serves one virtual card to a vpcd reader slot until SIGINT or SIGTERM. When the slot's
// daemon goes away the card waits and connects again.
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>

#include "common/TextEncoding.h"
#include "common/cli/CommandLine.h"
#include "lab/LabError.h"
#include "lab/VpcdLink.h"
#include "tools/cardsim/Profiles.h"

namespace {

using namespace tessaly;

std::mutex g_printMutex;

struct CardsimOptions {
    std::uint16_t port = 0;
    std::string profile;
    std::string atr;  // hex; empty: the profile's own
    bool quiet = false;
};

std::string CheckProfile(const std::string& name) {
    if (!tools::MakeProfile(name, {})) {
        return "\"" + name + "\" is not a profile (t0, t1, iso14443, mifare1k or mifare4k)";
    }
    return {};
}

std::string CheckAtr(const std::string& hex) {
    CByteArray atr;
    if (!ParseHex(hex, atr) || atr.empty()) {
        return "\"" + hex + "\" is not an ATR in hex";
    }
    return {};
}

void PrintExchange(const CByteArray& received, const CByteArray& answered) {
    // The slot asks for the ATR on every presence poll: not worth a line.
    static const char* const kControl[] = {"power off", "power on", "reset"};
    if (received.size() == 1 && received[0] > 2) {
        return;
    }
    std::lock_guard lock(g_printMutex);
    if (received.size() == 1) {
        std::printf("%s\n", kControl[received[0]]);
    } else {
        std::printf("> %s\n< %s\n", HexSpaced(received).c_str(), HexSpaced(answered).c_str());
    }
    std::fflush(stdout);
}

int Serve(const CardsimOptions& options) {
    // The signals are taken with sigtimedwait below; no thread gets them asynchronously.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CByteArray atr;
    (void)ParseHex(options.atr, atr);  // checked while parsing
    const auto card = tools::MakeProfile(options.profile, atr);
    lab::CVpcdLink::Trace trace;
    if (!options.quiet) {
        trace = PrintExchange;
    }
    std::unique_ptr<lab::CVpcdLink> link;
    bool waiting = false;
    for (;;) {
        if (!link || !link->IsServing()) {
            link.reset();
            try {
                link =
                    std::make_unique<lab::CVpcdLink>(options.port, card, std::chrono::milliseconds(0), trace);
                std::string atrText = HexSpaced(card->Atr());
                atrText.pop_back();  // the blank after the last byte
                std::printf("card %s (ATR %s) in the reader slot on port %u\n", options.profile.c_str(),
                            atrText.c_str(), options.port);
                std::fflush(stdout);
                waiting = false;
            } catch (const lab::CLabError&) {
                if (!waiting) {
                    std::printf("waiting for a reader slot on port %u\n", options.port);
                    std::fflush(stdout);
                    waiting = true;
                }
            }
        }
        const timespec poll{0, 100L * 1000L * 1000L};
        const int signal = sigtimedwait(&stopSignals, nullptr, &poll);
        if (signal == SIGINT || signal == SIGTERM) {
            break;
        }
    }
    link.reset();
    std::printf("card removed\n");
    return 0;
}

int Main(int argc, char** argv) {
    CLI::App app(
        "Puts one virtual card into the vpcd reader slot that listens on PORT (on this computer) until\n"
        "stopped with SIGINT or SIGTERM, and prints every message of the slot and the card's answer.",
        "cardsim");
    cli::Prepare(app);
    CardsimOptions options;
    app.add_option("--port", options.port, "The reader slot's port")->required()->check(cli::PortNumber());
    app.add_option("--profile", options.profile, "The card (below)")
        ->type_name("NAME")
        ->required()
        ->check(CLI::Validator(CheckProfile, ""));
    app.add_option("--atr", options.atr, "Answer to reset instead of the profile's own")
        ->type_name("HEX")
        ->check(CLI::Validator(CheckAtr, ""));
    app.add_flag("--quiet", options.quiet, "Print only the card's arrival and removal");
    app.footer(
        "Profiles:\n"
        "  t0, t1      contact card (T=0 or T=1) with a small ISO 7816-4 file system\n"
        "  iso14443    contactless reader with an ISO 14443-4 card (transparent exchange, ATS)\n"
        "  mifare1k    contactless reader with a MIFARE Classic 1K card (transport keys FF..FF)\n"
        "  mifare4k    the same with a MIFARE Classic 4K card");
    cli::Action chosen;
    cli::OnChosen(app, chosen, [&options] { return Serve(options); });
    return cli::Run(app, cli::Arguments(argc, argv), {std::cin, std::cout, std::cerr}, chosen);
}

}  // namespace

int main(int argc, char** argv) {
    return cli::Guarded("cardsim", [&] { return Main(argc, argv); });
}
