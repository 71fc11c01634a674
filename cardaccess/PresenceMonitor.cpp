#include "cardaccess/PresenceMonitor.h"

#include <utility>

#include "cardaccess/PcscHandles.h"

namespace tessaly {

using namespace platform;

CPresenceMonitor::CPresenceMonitor(std::string readerName, Report report)
    : m_readerName(std::move(readerName)), m_report(std::move(report)), m_thread([this] { Run(); }) {}

CPresenceMonitor::~CPresenceMonitor() {
    Stop();
}

void CPresenceMonitor::Stop() {
    std::unique_lock lock(m_mutex);
    m_stop.store(true);
    m_changed.notify_all();
    // A cancel that arrives between two waits is lost, so repeat it until the thread has ended.
    while (!m_ended) {
        if (m_context != 0) {
            const PcscHandle context = m_context;
            m_cancelling = true;
            lock.unlock();
            PcscCancel(context);
            lock.lock();
            m_cancelling = false;
            m_changed.notify_all();
        }
        m_changed.wait_for(lock, std::chrono::milliseconds(20), [this] { return m_ended; });
    }
    lock.unlock();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool CPresenceMonitor::WaitForFirstReport(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, limit, [this] { return m_reported || m_ended; });
    return m_reported;
}

void CPresenceMonitor::Run() {
    // Nothing is known yet: the first real state is always reported.
    Presence remembered = Presence::Unknown;
    bool first = true;
    while (!m_stop.load()) {
        Watch(remembered);
        if (m_stop.load()) {
            break;
        }
        // The service or the reader is gone: the state is unknown until a new context sees it.
        if (remembered != Presence::Unknown || first) {
            Tell(Presence::Unknown, remembered);
        }
        first = false;
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, kRetryPause, [this] { return m_stop.load(); });
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_changed.notify_all();
}

void CPresenceMonitor::Watch(Presence& remembered) {
    CPcscContext context;
    if (context.Establish() != pcsc::kSuccess) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        if (m_stop.load()) {
            return;
        }
        m_context = context.Get();
    }
    std::uint32_t current = pcsc::kStateUnaware;
    while (!m_stop.load()) {
        std::uint32_t event = 0;
        const PcscResult rv = PcscGetStatusChange(context.Get(), kWaitMs, m_readerName, current, event);
        if (rv == pcsc::kTimeout) {
            continue;
        }
        if (rv != pcsc::kSuccess) {
            break;
        }
        const Presence presence = (event & pcsc::kStateUnknown) != 0   ? Presence::Unknown
                                  : (event & pcsc::kStatePresent) != 0 ? Presence::Present
                                                                       : Presence::Absent;
        if (presence != remembered) {
            Tell(presence, remembered);
        }
        current = event;
    }
    // Stop may be cancelling on this context right now: it is released only after that.
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_cancelling; });
    m_context = 0;
}

void CPresenceMonitor::Tell(Presence presence, Presence& remembered) {
    remembered = presence;
    m_report(presence);
    std::lock_guard lock(m_mutex);
    m_reported = true;
    m_changed.notify_all();
}

}  // namespace tessaly
