#include "lab/Lab.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "lab/LabError.h"
#include "platform/PcscApi.h"

namespace tessaly::lab {

namespace fs = std::filesystem;
using namespace platform;

namespace {

constexpr std::uint16_t kLowestPort = 20000;
constexpr std::uint16_t kPortSpan = 40000;
constexpr int kStartAttempts = 8;
constexpr auto kStartLimit = std::chrono::seconds(5);

// What the whole process shares: the folder with the daemon's socket, whose path the PC/SC client
// library reads once per process.
class CProcessLab {
public:
    static CProcessLab& Get() {
        static CProcessLab state;
        return state;
    }

    std::string Acquire() {
        std::lock_guard lock(m_mutex);
        if (m_active) {
            throw CLabError("one virtual card lab per process at a time");
        }
        if (m_base.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            std::string pattern =
                (tmp != nullptr && *tmp != '\0' && std::string(tmp).size() < 60) ? tmp : "/tmp";
            pattern += "/tessaly-lab-XXXXXX";
            if (::mkdtemp(pattern.data()) == nullptr) {
                throw CLabError("cannot make the lab folder " + pattern);
            }
            m_base = pattern;
            fs::create_directories(m_base + "/run");
            ::setenv("PCSCLITE_CSOCK_NAME", (m_base + "/run/pcscd.comm").c_str(), 1);
        }
        m_active = true;
        return m_base + "/lab-" + std::to_string(++m_count);
    }

    void Release() {
        std::lock_guard lock(m_mutex);
        m_active = false;
    }

    std::string Base() const { return m_base; }

    ~CProcessLab() {
        if (!m_base.empty()) {
            std::error_code ignored;
            fs::remove_all(m_base, ignored);
        }
    }

private:
    CProcessLab() = default;
    std::mutex m_mutex;
    std::string m_base;
    bool m_active = false;
    int m_count = 0;
};

bool PortIsFree(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    const bool free = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

std::string Tail(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    return all.size() > 2000 ? all.substr(all.size() - 2000) : all;
}

// "<device> XX YY" with two hex pairs: the slot is the last pair.
int SlotOf(const std::string& reader, const std::string& device) {
    if (reader.size() != device.size() + 6 || reader.compare(0, device.size(), device) != 0 ||
        reader[device.size()] != ' ' || reader[device.size() + 3] != ' ') {
        return -1;
    }
    const std::string slot = reader.substr(device.size() + 4);
    return slot == "00" ? 0 : (slot == "01" ? 1 : -1);
}

std::vector<std::string> SplitNames(const std::string& multiString) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < multiString.size()) {
        const std::size_t end = multiString.find('\0', start);
        if (end == start || end == std::string::npos) {
            break;
        }
        names.push_back(multiString.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// The device file quotes the name on one line; pcscd would cut a longer one, and the readers would
// then not carry the names the tests ask for.
void CheckDeviceName(const std::string& name) {
    if (name.empty() || name.size() > CLab::kLongestDeviceName) {
        throw CLabError("a reader device name needs 1 to " + std::to_string(CLab::kLongestDeviceName) +
                        " characters: \"" + name + "\" has " + std::to_string(name.size()));
    }
    for (const char c : name) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            throw CLabError("a reader device name cannot hold quotes or control characters: \"" + name +
                            "\"");
        }
    }
}

}  // namespace

std::string CLab::Unavailable() {
    return DaemonUnavailable();
}

CLab::CLab(std::vector<std::string> deviceNames) : m_deviceNames(std::move(deviceNames)) {
    if (m_deviceNames.empty()) {
        throw CLabError("a lab needs at least one reader device");
    }
    for (const std::string& name : m_deviceNames) {
        CheckDeviceName(name);
    }
    m_folder = CProcessLab::Get().Acquire();
    try {
        fs::create_directories(m_folder + "/conf");
        std::mt19937 random(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
        const std::uint16_t ports = static_cast<std::uint16_t>(2 * m_deviceNames.size());
        bool started = false;
        for (int attempt = 0; attempt < kStartAttempts && !started; ++attempt) {
            std::uint16_t base = 0;
            for (int probe = 0; probe < 50 && base == 0; ++probe) {
                const auto candidate =
                    static_cast<std::uint16_t>(kLowestPort + (random() % (kPortSpan - ports)) / 2 * 2);
                bool free = true;
                for (std::uint16_t i = 0; i < ports && free; ++i) {
                    free = PortIsFree(static_cast<std::uint16_t>(candidate + i));
                }
                base = free ? candidate : 0;
            }
            if (base == 0) {
                throw CLabError("no free ports for the virtual readers");
            }
            started = StartDaemon(base);
        }
        if (!started) {
            throw CLabError("the virtual readers did not appear; pcscd said:\n" + Tail(LogPath()));
        }
    } catch (...) {
        m_daemon.reset();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        CProcessLab::Get().Release();
        throw;
    }
}

CLab::~CLab() {
    StopDaemon();
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    CProcessLab::Get().Release();
}

std::string CLab::SocketPath() const {
    return CProcessLab::Get().Base() + "/run/pcscd.comm";
}

std::string CLab::LogPath() const {
    return m_folder + "/pcscd.log";
}

void CLab::WriteConfiguration(std::uint16_t basePort) {
    const std::string conf = m_folder + "/conf";
    std::error_code ignored;
    for (const fs::directory_entry& entry : fs::directory_iterator(conf)) {
        fs::remove(entry.path(), ignored);
    }
    for (std::size_t device = 0; device < m_deviceNames.size(); ++device) {
        // The driver keeps its slots in globals: every further device needs its own copy.
        std::string driver = CPcscDaemon::kVpcdDriverPath;
        if (device > 0) {
            driver = m_folder + "/libifdvpcd-" + std::to_string(device) + ".so";
            fs::copy_file(CPcscDaemon::kVpcdDriverPath, driver, fs::copy_options::overwrite_existing);
        }
        const unsigned port = basePort + 2U * static_cast<unsigned>(device);
        char portText[16];
        std::snprintf(portText, sizeof portText, "0x%X", port);
        std::ofstream out(conf + "/device-" + std::to_string(device));
        out << "FRIENDLYNAME \"" << m_deviceNames[device] << "\"\n"
            << "DEVICENAME   /dev/null:" << portText << "\n"
            << "LIBPATH      " << driver << "\n"
            << "CHANNELID    " << portText << "\n";
        if (!out) {
            throw CLabError("cannot write the reader configuration in " + conf);
        }
    }
}

void CLab::StopDaemon() {
    m_links.clear();
    m_daemon.reset();
    // A daemon that had to be killed leaves its socket and PID file behind.
    std::error_code ignored;
    for (const char* name : {"/run/pcscd.comm", "/run/pcscd.pid"}) {
        fs::remove(CProcessLab::Get().Base() + name, ignored);
    }
}

void CLab::RestartDaemon() {
    StopDaemon();
    if (!StartDaemon(m_basePort)) {
        throw CLabError("the virtual readers did not come back after a restart; pcscd said:\n" +
                        Tail(LogPath()));
    }
}

bool CLab::StartDaemon(std::uint16_t basePort) {
    m_daemon.reset();
    m_basePort = basePort;
    WriteConfiguration(basePort);
    const char* debug = std::getenv("TESSALY_LAB_DEBUG");
    m_daemon = std::make_unique<CPcscDaemon>(CProcessLab::Get().Base() + "/run", m_folder + "/conf",
                                             LogPath(), debug != nullptr && *debug != '\0' && *debug != '0');
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!m_daemon->IsRunning()) {
            throw CLabError("pcscd ended at once; its output:\n" + Tail(LogPath()));
        }
        PcscHandle context = 0;
        if (PcscEstablishContext(context) == pcsc::kSuccess) {
            std::string multiString;
            const PcscResult rv = PcscListReaders(context, multiString);
            PcscReleaseContext(context);
            // The daemon opens its socket after it set up every reader: this list is final.
            std::vector<LabReader> readers;
            for (const std::string& name :
                 rv == pcsc::kSuccess ? SplitNames(multiString) : std::vector<std::string>{}) {
                for (std::size_t device = 0; device < m_deviceNames.size(); ++device) {
                    const int slot = SlotOf(name, m_deviceNames[device]);
                    if (slot >= 0) {
                        readers.push_back(LabReader{
                            name, static_cast<std::uint16_t>(basePort + 2 * device + slot), device, slot});
                    }
                }
            }
            if (readers.size() == 2 * m_deviceNames.size()) {
                m_readers = std::move(readers);
                return true;
            }
            // A reader whose port another process took is missing: try other ports.
            m_daemon.reset();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_daemon.reset();
    return false;
}

const LabReader& CLab::Find(const std::string& reader) const {
    for (const LabReader& candidate : m_readers) {
        if (candidate.name == reader) {
            return candidate;
        }
    }
    throw CLabError("the lab has no reader named \"" + reader + "\"");
}

const std::string& CLab::ReaderName(std::size_t device, int slot) const {
    for (const LabReader& candidate : m_readers) {
        if (candidate.device == device && candidate.slot == slot) {
            return candidate.name;
        }
    }
    throw CLabError("the lab has no reader " + std::to_string(device) + "/" + std::to_string(slot));
}

std::uint16_t CLab::Port(const std::string& reader) const {
    return Find(reader).port;
}

void CLab::Insert(const std::string& reader, std::shared_ptr<CVirtualCard> card) {
    InsertAll({{reader, std::move(card)}});
}

void CLab::InsertAll(const std::vector<std::pair<std::string, std::shared_ptr<CVirtualCard>>>& cards) {
    for (const auto& [reader, card] : cards) {
        const LabReader& target = Find(reader);
        if (m_links.count(reader) != 0) {
            throw CLabError("\"" + reader + "\" already holds a card");
        }
        m_links[reader] = std::make_unique<CVpcdLink>(target.port, card);
    }
    for (const auto& [reader, card] : cards) {
        if (!WaitForPresence(reader, true, kPresenceLimit)) {
            m_links.erase(reader);
            throw CLabError("PC/SC did not see the card inserted in \"" + reader + "\"");
        }
    }
}

void CLab::Remove(const std::string& reader) {
    Find(reader);
    if (m_links.erase(reader) == 0) {
        return;
    }
    if (!WaitForPresence(reader, false, kPresenceLimit)) {
        throw CLabError("PC/SC did not see the card removed from \"" + reader + "\"");
    }
}

std::shared_ptr<CVirtualCard> CLab::Card(const std::string& reader) const {
    const auto found = m_links.find(reader);
    return found == m_links.end() ? nullptr : found->second->Card();
}

bool CLab::WaitForPresence(const std::string& reader, bool present, std::chrono::milliseconds limit) const {
    PcscHandle context = 0;
    if (PcscEstablishContext(context) != pcsc::kSuccess) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::uint32_t current = pcsc::kStateUnaware;
    bool reached = false;
    while (!reached) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        std::uint32_t event = 0;
        const PcscResult rv =
            PcscGetStatusChange(context, static_cast<std::uint32_t>(left.count()), reader, current, event);
        if (rv != pcsc::kSuccess && rv != pcsc::kTimeout) {
            break;
        }
        reached = ((event & pcsc::kStatePresent) != 0) == present && (event & pcsc::kStateUnknown) == 0;
        current = event & ~pcsc::kStateChanged;
    }
    PcscReleaseContext(context);
    return reached;
}

}  // namespace tessaly::lab
