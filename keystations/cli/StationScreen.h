// The station list of the `run` command: the six columns of the window program's list. On a
// terminal the whole list is redrawn in place, with the latest log lines under it; otherwise every
// change of a station's row is written as one line.
#pragma once

#include <array>
#include <deque>
#include <map>
#include <ostream>
#include <set>
#include <vector>

#include "common/Types.h"
#include "keystations/BrantwickDoc.h"

namespace tessaly::tools {

inline constexpr std::array<const char*, 6> kStationColumns = {
    "Station Status", "PC/SC Reader", "Port", "Client IP Address", "Client Port", "Total Transactions",
};

// The six texts of a station's row: the client port is empty while it is 0.
std::array<CString, 6> StationRow(const CKeyStation& station);

class CStationScreen {
public:
    static constexpr std::size_t kLogLinesShown = 12;

    // `terminal`: redraw in place on `out`; otherwise one line per change. Log lines go to `log`
    // when given (the terminal screen also shows them itself).
    CStationScreen(std::ostream& out, bool terminal, std::ostream* log);

    // All rows anew, in the order of their status texts (as the window's sorted list inserts them);
    // later changes keep that order.
    void Rebuild(const CBrantwickDoc& document);
    // The rows of the changed stations; ids of stations that are gone are ignored.
    void Update(const CBrantwickDoc& document, const std::set<int>& changed);
    void Log(const CString& line);
    // A lasting notice shown above the log (the reason no station runs); empty clears it.
    void SetNotice(const CString& notice);

private:
    void Redraw(const CBrantwickDoc& document);
    void WriteLine(int stationId, const std::array<CString, 6>& row);

    std::ostream& m_out;
    const bool m_terminal;
    std::ostream* m_log;
    std::vector<int> m_order;                         // station ids, as the rows stand
    std::map<int, std::array<CString, 6>> m_written;  // the last line written per station
    std::deque<CString> m_recentLog;
    CString m_notice;
};

}  // namespace tessaly::tools
