// The virtual card lab: a private pcscd with vpcd reader devices, and card simulators that tests
// put into and take out of its readers. Everything the code under test does goes through the real
// PC/SC client library, the daemon and TCP.
//
//   lab::CLab lab({"Lab Contact", "Lab Contactless"});
//   auto card = lab::MakeContactCard(lab::Transport::T0);
//   lab.Insert(lab.ReaderName(0), card);          // "Lab Contact 00 00", present when this returns
//   ... CPcscReader reader(lab.ReaderName(0), false); ...
//   card->Commands();                              // what the card received
//   lab.Remove(lab.ReaderName(0));                 // absent when this returns
//
// One lab per process at a time: the PC/SC client library reads the daemon's socket name once per
// process, so every lab of a process uses the same socket path (a later lab, after the first has
// ended, is fine). Ports are chosen per lab and checked free, so parallel test processes never
// share a reader. Needs root (see Unavailable).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lab/PcscDaemon.h"
#include "lab/VirtualCard.h"
#include "lab/VpcdLink.h"

namespace tessaly::lab {

struct LabReader {
    std::string name;    // the PC/SC reader name, "<device> 00 00" or "<device> 00 01"
    std::uint16_t port;  // where its card connects
    std::size_t device;
    int slot;  // 0 or 1
};

class CLab {
public:
    static constexpr std::chrono::milliseconds kPresenceLimit{5000};
    // pcscd cuts a device name after 121 characters (its reader names, with " 00 00", after 127).
    static constexpr std::size_t kLongestDeviceName = 121;

    // Empty when the lab can run in this process; otherwise why it cannot (for a test's skip text).
    static std::string Unavailable();

    // One vpcd device per name, each with two readers. Throws CLabError when a name is empty,
    // longer than kLongestDeviceName or holds a quote or a control character, or when the daemon
    // cannot be started or its readers do not appear.
    explicit CLab(std::vector<std::string> deviceNames);
    CLab(const CLab&) = delete;
    CLab& operator=(const CLab&) = delete;
    // Takes out every card, ends the daemon by its PID and removes the lab's files.
    ~CLab();

    const std::vector<LabReader>& Readers() const { return m_readers; }
    const std::string& ReaderName(std::size_t device, int slot = 0) const;
    std::uint16_t Port(const std::string& reader) const;

    // Puts `card` into the reader and waits until PC/SC reports it present (CLabError if not).
    void Insert(const std::string& reader, std::shared_ptr<CVirtualCard> card);
    // Puts several cards in at once and waits for all: PC/SC polls the virtual readers every
    // 400 ms, so this costs one poll instead of one per card.
    void InsertAll(const std::vector<std::pair<std::string, std::shared_ptr<CVirtualCard>>>& cards);
    // Takes the card out and waits until PC/SC reports the reader empty. Nothing to do for an empty reader.
    void Remove(const std::string& reader);
    // The card in the reader, or null.
    std::shared_ptr<CVirtualCard> Card(const std::string& reader) const;

    // Waits until PC/SC reports a card present (or absent) in the reader.
    bool WaitForPresence(const std::string& reader, bool present, std::chrono::milliseconds limit) const;

    // PCSCLITE_CSOCK_NAME of this process; the daemon's log (pcscd output; set TESSALY_LAB_DEBUG=1
    // for debug and APDU lines).
    std::string SocketPath() const;
    std::string LogPath() const;
    pid_t DaemonPid() const { return m_daemon ? m_daemon->Pid() : -1; }

    // Ends the daemon by its PID, as a PC/SC service that stops: every card is taken out (their
    // connections end with the daemon) and PC/SC answers nobody until RestartDaemon.
    void StopDaemon();
    // Starts the daemon again with the same readers on the same ports, and waits until they are
    // listed; the readers are empty. Throws CLabError when they do not come back.
    void RestartDaemon();

private:
    bool StartDaemon(std::uint16_t basePort);
    void WriteConfiguration(std::uint16_t basePort);
    const LabReader& Find(const std::string& reader) const;

    std::vector<std::string> m_deviceNames;
    std::string m_folder;  // this lab's configuration and driver copies
    std::vector<LabReader> m_readers;
    std::uint16_t m_basePort = 0;
    std::unique_ptr<CPcscDaemon> m_daemon;
    std::map<std::string, std::unique_ptr<CVpcdLink>> m_links;
};

}  // namespace tessaly::lab
