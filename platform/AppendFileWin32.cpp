#include "platform/AppendFile.h"

#include "platform/WindowsBase.h"

namespace tessaly::platform {
namespace {

class CFileHandle {
public:
    explicit CFileHandle(HANDLE handle) : m_handle(handle) {}
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    ~CFileHandle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            CloseHandle(m_handle);
        }
    }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace

const char* TextLineEnd() {
    return "\r\n";
}

bool AppendToFile(const std::string& path, const std::string& record) {
    if (path.find('\0') != std::string::npos || record.size() > MAXDWORD) {
        return false;
    }
    // Append access: every write goes to the end of the file as it is then, whoever else appends.
    // Readers, writers and a viewer that moves the file are let in between. Read access only so
    // that the file can be locked.
    const CFileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        return false;
    }
    // Not every implementation makes an append one step (Wine finds the end, then writes): the
    // writers take turns on a lock of one byte far beyond any record, which no write ever touches.
    OVERLAPPED place{};
    place.Offset = MAXDWORD;
    place.OffsetHigh = 0x7FFFFFFF;
    const bool locked = LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &place) != 0;
    DWORD written = 0;
    const bool whole =
        WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr) != 0 &&
        written == record.size();
    if (locked) {
        UnlockFileEx(file.Get(), 0, 1, 0, &place);
    }
    return whole;
}

}  // namespace tessaly::platform
