// `objcomm host` in the test's own process: RunHostScript on a thread of its own, listening on a port
// the system picks. The constructor returns once the host listens; Join waits for it to end.
#pragma once

#include <chrono>
#include <cstdint>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "tools/objcomm/host/HostCommand.h"

namespace tessaly::test {

inline tools::HostRun TestHostRun() {
    tools::HostRun run;
    run.options.settings = tools::HostSettings(std::chrono::milliseconds(10000));
    run.options.idle = std::chrono::milliseconds(30000);  // a test that fails never leaves the host waiting
    return run;
}

class CRunningHost {
public:
    explicit CRunningHost(std::string script, tools::HostRun run = TestHostRun())
        : m_script(std::move(script)) {
        std::promise<std::uint16_t> port;
        std::future<std::uint16_t> listening = port.get_future();
        m_thread = std::thread([this, run = std::move(run), port = std::move(port)]() mutable {
            bool told = false;
            run.onListening = [&](std::uint16_t value) {
                told = true;
                port.set_value(value);
            };
            m_exit =
                tools::RunHostScript(run, m_script.empty() ? nullptr : &m_script, "test.host", m_out, m_err);
            if (!told) {
                port.set_value(0);
            }
        });
        m_port = listening.get();
    }
    ~CRunningHost() { Join(); }
    CRunningHost(const CRunningHost&) = delete;
    CRunningHost& operator=(const CRunningHost&) = delete;

    std::uint16_t Port() const { return m_port; }
    // Waits for the host to end; its exit code.
    int Join() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_exit;
    }
    // What the host printed on its standard output and error, once it has ended.
    std::string Out() {
        Join();
        return m_out.str();
    }
    std::string Err() {
        Join();
        return m_err.str();
    }

private:
    std::string m_script;
    std::ostringstream m_out;
    std::ostringstream m_err;
    int m_exit = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

}  // namespace tessaly::test
