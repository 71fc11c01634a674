#include "keystations/cli/RunCommand.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <thread>

#include "common/Format.h"
#include "keystations/BrantwickDoc.h"
#include "keystations/cli/PidFile.h"
#include "keystations/cli/SignalWatcher.h"
#include "keystations/cli/StationEvents.h"
#include "keystations/cli/StationScreen.h"

namespace tessaly::tools {
namespace {

// A terminal is redrawn at most this often; changes in between are shown together.
constexpr std::chrono::milliseconds kRedrawInterval{100};
constexpr std::chrono::milliseconds kIdleWait{1000};

// Stops every station and shows them stopped before the document destroys them.
void StopAndShow(CBrantwickDoc& document, CStationEvents& events, CStationScreen& screen) {
    for (const auto& station : document.Stations()) {
        station->RequestStop();
    }
    for (const auto& station : document.Stations()) {
        station->Stop();
    }
    CStationEvents::Batch batch = events.Wait(std::chrono::milliseconds(0));
    for (const CString& line : batch.logLines) {
        screen.Log(line);
    }
    screen.Update(document, batch.changed);
    document.StopStations();
}

}  // namespace

bool ParseStationArgument(const CString& text, KeyStationEntry& entry, CString& error) {
    const std::size_t equals = text.rfind('=');
    if (equals == CString::npos || equals == 0) {
        error = "\"" + text + "\" is not \"READER=PORT\"";
        return false;
    }
    const CString portText = text.substr(equals + 1);
    unsigned long port = 0;
    bool digits = !portText.empty() && portText.size() <= 5;
    for (char c : portText) {
        digits = digits && c >= '0' && c <= '9';
        port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!digits || port < 1 || port > 65535) {
        error = "\"" + text + "\": the port must be a number from 1 to 65535";
        return false;
    }
    entry.readerName = text.substr(0, equals);
    entry.port = static_cast<std::int16_t>(static_cast<std::uint16_t>(port));
    return true;
}

int RunStations(const RunOptions& options) {
    const bool fromRegistry = options.stations.empty();
    // Before any other thread: every thread made later inherits the blocked signals.
    CStationEvents events;
    CSignalWatcher signals(events);

    std::unique_ptr<CPidFile> pidFile;
    if (fromRegistry) {
        pidFile = std::make_unique<CPidFile>(PidFilePath());
        if (!pidFile->IsHeld()) {
            std::cerr << TimeStamp() << "brantwick: " << pidFile->Error() << "\n";
            return 1;
        }
    }

    const bool terminal = isatty(STDOUT_FILENO) != 0;
    CStationScreen screen(std::cout, terminal, terminal && isatty(STDERR_FILENO) != 0 ? nullptr : &std::cerr);
    auto document =
        fromRegistry ? std::make_unique<CBrantwickDoc>() : std::make_unique<CBrantwickDoc>(options.stations);
    document->SetObserver(&events);

    auto showLogs = [&](const CStationEvents::Batch& batch) {
        for (const CString& line : batch.logLines) {
            screen.Log(line);
        }
    };

    if (!document->StartStations()) {
        showLogs(events.Wait(std::chrono::milliseconds(0)));
        std::cerr << TimeStamp() << "brantwick: " << document->StartError() << "\n";
        return 1;
    }
    if (fromRegistry && document->Entries().empty()) {
        events.OnStationLog(
            0, FormatText("No key stations are configured under %s (brantwick config add READER PORT).",
                          document->BaseKey().c_str()));
    }
    screen.Rebuild(*document);

    auto lastRedraw = std::chrono::steady_clock::now();
    for (;;) {
        CStationEvents::Batch batch = events.Wait(kIdleWait);
        showLogs(batch);
        if (batch.stop) {
            break;
        }
        if (batch.restarts > 0) {
            events.OnStationLog(0, "Restart Key Stations");
            StopAndShow(*document, events, screen);
            if (fromRegistry) {
                document->LoadConfiguration();
            }
            if (document->RestartStations()) {
                screen.SetNotice({});
            } else {
                events.OnStationLog(0, document->StartError());
                screen.SetNotice(document->StartError());
            }
            showLogs(events.Wait(std::chrono::milliseconds(0)));
            screen.Rebuild(*document);
            continue;
        }
        if (batch.changed.empty() && batch.logLines.empty()) {
            continue;
        }
        if (terminal) {
            // Let a burst of changes gather into one redraw.
            const auto due = lastRedraw + kRedrawInterval;
            std::this_thread::sleep_until(due);
            CStationEvents::Batch more = events.Wait(std::chrono::milliseconds(0));
            showLogs(more);
            batch.changed.insert(more.changed.begin(), more.changed.end());
            if (more.stop || more.restarts > 0) {
                // Handled on the next turn.
                if (more.stop) {
                    events.PostStop();
                }
                for (int i = 0; i < more.restarts; ++i) {
                    events.PostRestart();
                }
            }
            lastRedraw = std::chrono::steady_clock::now();
        }
        screen.Update(*document, batch.changed);
    }

    StopAndShow(*document, events, screen);
    document->SetObserver(nullptr);
    std::cerr << TimeStamp() << "brantwick: key stations stopped\n";
    return 0;
}

}  // namespace tessaly::tools
