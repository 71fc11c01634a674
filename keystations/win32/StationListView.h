// The frame's list of stations: one row per station, found again by its item data (the station
// id). Rows are placed by the text of their first column when inserted and keep their place
// when rewritten.
#pragma once

#include "platform/WindowsBase.h"

#include <array>
#include <map>

#include "common/Types.h"
#include "keystations/BrantwickDoc.h"

namespace tessaly::win32 {

class CStationListView {
public:
    static constexpr int kColumnCount = 6;
    static constexpr int kStretchedColumn = 1;

    // The list control as a child of the frame (destroyed with it).
    bool Create(HWND parent, HINSTANCE instance);
    HWND Handle() const { return m_list; }

    // The view's initial update: the columns (once), the reader column stretched over the free
    // width, then every row rebuilt.
    void InitialUpdate(const CBrantwickDoc& document);
    // Hint 0 rebuilds every row; any other hint is a station id whose row is rewritten. A station
    // that is gone, or that has no row, changes nothing.
    void Update(const CBrantwickDoc& document, int hint);

    // The six texts of a station's row.
    static std::array<CString, kColumnCount> RowTexts(const CKeyStation& station);

private:
    static int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM list);
    void RebuildRows(const CBrantwickDoc& document);
    void SetRowTexts(int row, const std::array<CString, kColumnCount>& texts);

    HWND m_list = nullptr;
    bool m_hasColumns = false;
    std::map<LPARAM, CString> m_sortTexts;  // status texts of the last rebuild, by station id
};

// A width given in pixels at 96 dots per inch, at the screen's resolution.
int ScaleToScreen(int pixels);

}  // namespace tessaly::win32
