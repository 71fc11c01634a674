#include "keystations/win32/StationListView.h"

#include <commctrl.h>

#include "common/Format.h"
#include "keystations/win32/Resource.h"

namespace tessaly::win32 {
namespace {

struct ColumnLayout {
    const char* heading;
    int width;  // pixels at 96 dpi
};

constexpr std::array<ColumnLayout, CStationListView::kColumnCount> kColumns = {{
    {"Station Status", 80},
    {"PC/SC Reader", 100},
    {"Port", 65},
    {"Client IP Address", 100},
    {"Client Port", 65},
    {"Total Transactions", 100},
}};

}  // namespace

int ScaleToScreen(int pixels) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

bool CStationListView::Create(HWND parent, HINSTANCE instance) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SORTASCENDING |
                        LVS_AUTOARRANGE | LVS_SHOWSELALWAYS;
    m_list =
        CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", style, 0, 0, 0, 0, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATION_LIST)), instance, nullptr);
    return m_list != nullptr;
}

void CStationListView::InitialUpdate(const CBrantwickDoc& document) {
    if (!m_hasColumns) {
        for (int i = 0; i < kColumnCount; ++i) {
            LVCOLUMNA column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            column.pszText = const_cast<char*>(kColumns[static_cast<std::size_t>(i)].heading);
            column.cx = ScaleToScreen(kColumns[static_cast<std::size_t>(i)].width);
            column.iSubItem = i;
            SendMessageA(m_list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(&column));
        }
        m_hasColumns = true;
    }
    RECT client{};
    GetClientRect(m_list, &client);
    int others = 0;
    for (int i = 0; i < kColumnCount; ++i) {
        if (i != kStretchedColumn) {
            others += static_cast<int>(SendMessageA(m_list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(i), 0));
        }
    }
    const int spare = (client.right - client.left) - others;
    if (spare > 1) {
        SendMessageA(m_list, LVM_SETCOLUMNWIDTH, kStretchedColumn, MAKELPARAM(spare, 0));
    }
    Update(document, 0);
}

void CStationListView::Update(const CBrantwickDoc& document, int hint) {
    if (hint == 0) {
        RebuildRows(document);
        return;
    }
    const CKeyStation* station = document.FindStation(hint);
    if (station == nullptr) {
        return;  // destroyed since it reported
    }
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(hint);
    const auto row = static_cast<int>(
        SendMessageA(m_list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
    if (row >= 0) {
        SetRowTexts(row, RowTexts(*station));
        SendMessageA(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
    }
}

// Rows placed by their status text, and in the document's order where the texts are equal (the
// list's own sorted insertion leaves equal rows in an order of its own).
int CALLBACK CStationListView::CompareRows(LPARAM first, LPARAM second, LPARAM list) {
    const auto& texts = reinterpret_cast<const CStationListView*>(list)->m_sortTexts;
    const auto firstText = texts.find(first);
    const auto secondText = texts.find(second);
    const int order = firstText == texts.end() || secondText == texts.end()
                          ? 0
                          : lstrcmpiA(firstText->second.c_str(), secondText->second.c_str());
    if (order != 0) {
        return order;
    }
    return first < second ? -1 : (first > second ? 1 : 0);  // ids grow in the document's order
}

void CStationListView::RebuildRows(const CBrantwickDoc& document) {
    SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    m_sortTexts.clear();
    for (const auto& station : document.Stations()) {
        std::array<CString, kColumnCount> texts = RowTexts(*station);
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(SendMessageA(m_list, LVM_GETITEMCOUNT, 0, 0));
        item.pszText = texts[0].data();
        item.lParam = static_cast<LPARAM>(station->GetStationId());
        const auto row =
            static_cast<int>(SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
        if (row >= 0) {
            SetRowTexts(row, texts);
            SendMessageA(m_list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), row);
        }
        m_sortTexts[item.lParam] = texts[0];
    }
    SendMessageA(m_list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(this),
                 reinterpret_cast<LPARAM>(&CStationListView::CompareRows));
}

void CStationListView::SetRowTexts(int row, const std::array<CString, kColumnCount>& texts) {
    for (int i = 0; i < kColumnCount; ++i) {
        LVITEMA item{};
        item.iSubItem = i;
        item.pszText = const_cast<char*>(texts[static_cast<std::size_t>(i)].c_str());
        SendMessageA(m_list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

std::array<CString, CStationListView::kColumnCount> CStationListView::RowTexts(const CKeyStation& station) {
    const StationDisplay display = station.GetDisplay();
    return {StationStatusName(display.status),
            station.GetReaderName(),
            FormatText("%u", static_cast<unsigned>(station.GetPort())),
            display.clientAddress,
            display.clientPort == 0 ? CString() : FormatText("%u", static_cast<unsigned>(display.clientPort)),
            FormatText("%lu", static_cast<unsigned long>(display.transactionCount))};
}

}  // namespace tessaly::win32
