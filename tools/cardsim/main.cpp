// cardsim: serves one virtual card to a vpcd reader slot until SIGINT or SIGTERM. When the slot's
// daemon goes away the card waits and connects again.
#include <signal.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "common/TextEncoding.h"
#include "lab/LabError.h"
#include "lab/VpcdLink.h"
#include "tools/cardsim/Profiles.h"

namespace {

using namespace tessaly;

std::mutex g_printMutex;

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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string error;
    const auto options = tools::ParseCardsimOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "cardsim: %s\n%s", error.c_str(), tools::kCardsimUsage);
        return 2;
    }
    // The signals are taken with sigtimedwait below; no thread gets them asynchronously.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    const auto card = tools::MakeProfile(options->profile, options->atr);
    lab::CVpcdLink::Trace trace;
    if (!options->quiet) {
        trace = PrintExchange;
    }
    std::unique_ptr<lab::CVpcdLink> link;
    bool waiting = false;
    for (;;) {
        if (!link || !link->IsServing()) {
            link.reset();
            try {
                link = std::make_unique<lab::CVpcdLink>(options->port, card, std::chrono::milliseconds(0),
                                                        trace);
                std::string atr = HexSpaced(card->Atr());
                atr.pop_back();  // the blank after the last byte
                std::printf("card %s (ATR %s) in the reader slot on port %u\n", options->profile.c_str(),
                            atr.c_str(), options->port);
                std::fflush(stdout);
                waiting = false;
            } catch (const lab::CLabError&) {
                if (!waiting) {
                    std::printf("waiting for a reader slot on port %u\n", options->port);
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
