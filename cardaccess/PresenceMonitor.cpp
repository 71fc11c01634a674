#include "cardaccess/PresenceMonitor.h"

#include <utility>

namespace tessaly {

using namespace platform;

CPresenceMonitor::CPresenceMonitor(std::string readerName, Report report)
    : m_readerName(std::move(readerName)), m_report(std::move(report)), m_thread([this] { Run(); }) {}

CPresenceMonitor::~CPresenceMonitor() {
    Stop();
}

void CPresenceMonitor::Stop() {
    m_stop.store(true);
    std::unique_lock lock(m_mutex);
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
    PcscHandle context = 0;
    if (PcscEstablishContext(context) != pcsc::kSuccess) {
        Finish(0);
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_context = context;
    }
    std::uint32_t current = pcsc::kStateUnaware;
    int remembered = -1;
    while (!m_stop.load()) {
        std::uint32_t event = 0;
        const PcscResult rv = PcscGetStatusChange(context, kWaitMs, m_readerName, current, event);
        if (rv == pcsc::kTimeout) {
            continue;
        }
        if (rv != pcsc::kSuccess) {
            break;
        }
        const int present = (event & pcsc::kStatePresent) != 0 ? 1 : 0;
        if (present != remembered) {
            remembered = present;
            m_report(present == 1);
            std::lock_guard lock(m_mutex);
            m_reported = true;
            m_changed.notify_all();
        }
        current = event;
    }
    Finish(context);
}

void CPresenceMonitor::Finish(PcscHandle context) {
    {
        std::unique_lock lock(m_mutex);
        // Stop may be cancelling on this context right now: it is released only after that.
        m_changed.wait(lock, [this] { return !m_cancelling; });
        m_context = 0;
        m_ended = true;
        m_changed.notify_all();
    }
    if (context != 0) {
        PcscReleaseContext(context);
    }
}

}  // namespace tessaly
