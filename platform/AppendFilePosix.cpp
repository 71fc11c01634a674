#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/AppendFile.h"

namespace tessaly::platform {
namespace {

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    ~CFileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

const char* TextLineEnd() {
    return "\n";
}

bool AppendToFile(const std::string& path, const std::string& record) {
    if (path.find('\0') != std::string::npos) {
        return false;
    }
    // O_APPEND: every write goes to the end of the file as it is then, whoever else appends.
    const CFileDescriptor file(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t written = ::write(file.Get(), record.data() + done, record.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
        } else if (written == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

}  // namespace tessaly::platform
