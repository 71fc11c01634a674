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
    // Append access alone: every write goes to the end of the file as it is then, whoever else
    // appends. Readers, writers and a viewer that moves the file are let in between.
    const CFileHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.Get(), record.data(), static_cast<DWORD>(record.size()), &written, nullptr) != 0 &&
           written == record.size();
}

}  // namespace tessaly::platform
