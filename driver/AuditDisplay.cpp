#include "driver/AuditDisplay.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

#include "driver/OperatorDialogs.h"
#include "platform/SystemInfo.h"

namespace tessaly {
namespace {

constexpr std::size_t kErrorCodeLength = 5;
// Characters before the message text: the code and one separator.
constexpr std::size_t kMessageStart = kErrorCodeLength + 1;
// A line is read in pieces of at most this many characters.
constexpr std::size_t kLinePiece = 254;
constexpr std::uint8_t kAuditSeparator = 0xEE;
constexpr std::uint8_t kAuditText = 0x44;  // 'D'
constexpr std::size_t kItemHeader = 3;     // type and 16-bit length

// The next piece of a line: up to and including its line end, at most kLinePiece characters.
bool ReadPiece(std::istream& in, CString& piece) {
    piece.clear();
    char c = 0;
    while (piece.size() < kLinePiece && in.get(c)) {
        piece.push_back(c);
        if (c == '\n') {
            break;
        }
    }
    return !piece.empty();
}

// The text of a 'D' item as a message box shows it: up to its first zero byte, at most kMaxAuditText.
CString AuditText(const CByteArray& audit, std::size_t start, std::size_t length) {
    const auto first = audit.begin() + static_cast<std::ptrdiff_t>(start);
    const auto last = first + static_cast<std::ptrdiff_t>(std::min(length, kMaxAuditText));
    return CString(first, std::find(first, last, std::uint8_t{0}));
}

}  // namespace

CString ErrorFilePath(const CString& installPath, const CString& applicationName) {
    CString path = installPath;
    if (path.empty() || path.back() != platform::PathSeparator()) {
        path.push_back(platform::PathSeparator());
    }
    return path + applicationName + "_ERROR.msg";
}

void ShowDllErrorMessage(COperatorInterface& ui, const CString& installPath, const CString& applicationName,
                         const CString& dllError) {
    if (dllError.size() < kErrorCodeLength) {
        return;
    }
    // Text mode: a Windows line end reads as "\n" there, as the file's own system writes it.
    std::ifstream file(ErrorFilePath(installPath, applicationName));
    if (!file) {
        return;
    }
    CString piece;
    while (ReadPiece(file, piece)) {
        if (piece.size() >= kErrorCodeLength &&
            piece.compare(0, kErrorCodeLength, dllError, 0, kErrorCodeLength) == 0) {
            ui.ShowMessageBox(kMessageBoxCaption,
                              piece.size() > kMessageStart ? piece.substr(kMessageStart) : CString());
            return;
        }
    }
}

void ShowAuditData(COperatorInterface& ui, const CByteArray& audit) {
    const std::size_t n = audit.size();
    std::size_t i = 0;
    while (i < n) {
        if (audit[i] == kAuditSeparator) {
            if (++i >= n) {
                return;
            }
        }
        // The header and the whole item must lie inside the data.
        if (i + kItemHeader > n) {
            ui.ShowMessageBox(kMessageBoxCaption, kCorruptAuditText);
            return;
        }
        const std::size_t length = (static_cast<std::size_t>(audit[i + 1]) << 8) | audit[i + 2];
        const std::size_t end = i + length + 2;
        if (end >= n) {
            ui.ShowMessageBox(kMessageBoxCaption, kCorruptAuditText);
            return;
        }
        if (audit[i] == kAuditText) {
            ui.ShowMessageBox(kMessageBoxCaption, AuditText(audit, i + kItemHeader, length));
        }
        i = end + 1;
    }
}

}  // namespace tessaly
