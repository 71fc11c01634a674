#include "keystations/cli/StationScreen.h"

#include <algorithm>

#include "common/Format.h"
#include "keystations/cli/StationEvents.h"

namespace tessaly::tools {
namespace {

constexpr const char* kClearScreen = "\x1b[H\x1b[2J";

CString Padded(const CString& text, std::size_t width) {
    return text.size() >= width ? text : text + CString(width - text.size(), ' ');
}

}  // namespace

std::array<CString, 6> StationRow(const CKeyStation& station) {
    const StationDisplay display = station.GetDisplay();
    return {
        StationStatusName(display.status),
        station.GetReaderName(),
        FormatText("%u", static_cast<unsigned>(station.GetPort())),
        display.clientAddress,
        display.clientPort == 0 ? CString() : FormatText("%u", static_cast<unsigned>(display.clientPort)),
        FormatText("%u", static_cast<unsigned>(display.transactionCount)),
    };
}

CStationScreen::CStationScreen(std::ostream& out, bool terminal, std::ostream* log)
    : m_out(out), m_terminal(terminal), m_log(log) {}

void CStationScreen::Rebuild(const CBrantwickDoc& document) {
    std::vector<const CKeyStation*> stations;
    for (const auto& station : document.Stations()) {
        stations.push_back(station.get());
    }
    std::stable_sort(stations.begin(), stations.end(), [](const CKeyStation* a, const CKeyStation* b) {
        return CString(a->GetStatusName()) < CString(b->GetStatusName());
    });
    m_order.clear();
    m_written.clear();
    for (const CKeyStation* station : stations) {
        m_order.push_back(station->GetStationId());
    }
    if (m_terminal) {
        Redraw(document);
        return;
    }
    CString header;
    for (const char* column : kStationColumns) {
        header += header.empty() ? "" : " | ";
        header += column;
    }
    m_out << TimeStamp() << header << "\n";
    for (const CKeyStation* station : stations) {
        WriteLine(station->GetStationId(), StationRow(*station));
    }
    m_out.flush();
}

void CStationScreen::Update(const CBrantwickDoc& document, const std::set<int>& changed) {
    if (m_terminal) {
        Redraw(document);
        return;
    }
    for (int id : m_order) {
        if (changed.count(id) == 0) {
            continue;
        }
        if (const CKeyStation* station = document.FindStation(id)) {
            const std::array<CString, 6> row = StationRow(*station);
            if (m_written[id] != row) {
                WriteLine(id, row);
            }
        }
    }
    m_out.flush();
}

void CStationScreen::WriteLine(int stationId, const std::array<CString, 6>& row) {
    CString line;
    for (const CString& text : row) {
        line += line.empty() ? "" : " | ";
        line += text;
    }
    m_out << TimeStamp() << "station " << stationId << ": " << line << "\n";
    m_written[stationId] = row;
}

void CStationScreen::Log(const CString& line) {
    if (m_log != nullptr) {
        *m_log << line << "\n";
        m_log->flush();
    }
    m_recentLog.push_back(line);
    while (m_recentLog.size() > kLogLinesShown) {
        m_recentLog.pop_front();
    }
}

void CStationScreen::SetNotice(const CString& notice) {
    m_notice = notice;
}

void CStationScreen::Redraw(const CBrantwickDoc& document) {
    std::vector<std::array<CString, 6>> rows;
    for (int id : m_order) {
        if (const CKeyStation* station = document.FindStation(id)) {
            rows.push_back(StationRow(*station));
        }
    }
    std::array<std::size_t, 6> widths{};
    for (std::size_t column = 0; column < widths.size(); ++column) {
        widths[column] = CString(kStationColumns[column]).size();
        for (const auto& row : rows) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    auto line = [&](const std::array<CString, 6>& texts) {
        CString text;
        for (std::size_t column = 0; column < texts.size(); ++column) {
            text += column + 1 < texts.size() ? Padded(texts[column], widths[column] + 2) : texts[column];
        }
        return text;
    };
    std::array<CString, 6> header;
    std::copy(kStationColumns.begin(), kStationColumns.end(), header.begin());

    m_out << kClearScreen << "Key Stations\n\n" << line(header) << "\n";
    for (const auto& row : rows) {
        m_out << line(row) << "\n";
    }
    if (rows.empty()) {
        m_out << "(no key stations)\n";
    }
    if (!m_notice.empty()) {
        m_out << "\n" << m_notice << "\n";
    }
    m_out << "\nSIGHUP restarts the key stations; Ctrl+C or SIGTERM stops them.\n";
    if (!m_recentLog.empty()) {
        m_out << "\n";
        for (const CString& logLine : m_recentLog) {
            m_out << logLine << "\n";
        }
    }
    m_out.flush();
}

}  // namespace tessaly::tools
