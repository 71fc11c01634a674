// The TCP connection between one virtual card and the vpcd reader slot it sits in. vpcd listens;
// the card connects, and while the connection lasts the slot holds a card. Every message is a
// 2-byte big-endian length and that many bytes: 00 power off, 01 power on, 02 reset, 04 ATR
// request (answered with the ATR), anything longer a command (answered with the response).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "lab/VirtualCard.h"

namespace tessaly::lab {

class CVpcdLink {
  public:
    // Sees every message from vpcd and the answer (empty when none was sent), on the serving thread.
    using Trace = std::function<void(const CByteArray& received, const CByteArray& answered)>;

    // Connects to vpcd on 127.0.0.1:`port` (retrying while vpcd is not yet listening, up to
    // `connectLimit`) and starts serving `card`. Throws CLabError when no connection is made.
    CVpcdLink(std::uint16_t port, std::shared_ptr<CVirtualCard> card,
              std::chrono::milliseconds connectLimit = std::chrono::milliseconds(3000),
              Trace trace = nullptr);
    CVpcdLink(const CVpcdLink&) = delete;
    CVpcdLink& operator=(const CVpcdLink&) = delete;
    // Removes the card: closes the connection and joins the serving thread.
    ~CVpcdLink();

    const std::shared_ptr<CVirtualCard>& Card() const { return m_card; }
    // False once vpcd closed the connection (the daemon ended).
    bool IsServing() const { return m_serving.load(); }

  private:
    void Serve();
    bool Receive(std::uint8_t* target, std::size_t count);
    bool Send(const CByteArray& message);
    void Pause(std::chrono::milliseconds delay);
    CByteArray Answer(const CByteArray& message);

    const std::shared_ptr<CVirtualCard> m_card;
    const Trace m_trace;
    int m_socket = -1;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_serving{true};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseEnd;
    std::thread m_thread;
};

}  // namespace tessaly::lab
