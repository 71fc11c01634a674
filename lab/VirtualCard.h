// A card in a virtual reader slot: it answers what the reader driver sends and keeps a record of
// every event it received, for tests to read. Safe to program and read from any thread while the
// lab serves it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/Types.h"

namespace tessaly::lab {

struct CardEvent {
    enum class Kind { PowerOff, PowerOn, Reset, AtrRequest, Command };
    Kind kind;
    CByteArray bytes;  // the command, for Kind::Command
};

// The answer to one command, and how long the card takes before it gives it.
struct CardReply {
    CByteArray bytes;
    std::chrono::milliseconds delay{0};
};

class CVirtualCard {
  public:
    CVirtualCard(const CVirtualCard&) = delete;
    CVirtualCard& operator=(const CVirtualCard&) = delete;
    virtual ~CVirtualCard();

    // What the reader driver asks (called on the lab's serving thread).
    CByteArray Atr();
    void PowerOff();
    void PowerOn();
    void Reset();
    CardReply Command(const CByteArray& command);

    // The answer to reset; replaces the profile's own.
    void SetAtr(CByteArray atr);

    // Programmable answers, consulted before the card's own behaviour, in this order: answers
    // queued with AnswerNext, the handler, then the prefix rules in the order they were added.
    // The handler runs with the card locked: it must not call the card.
    using Handler = std::function<std::optional<CByteArray>(const CByteArray& command)>;
    // The next command, whatever it is, gets `answer` (status word included).
    void AnswerNext(CByteArray answer, std::chrono::milliseconds delay = {});
    // Commands that start with `prefix` get `answer`, `times` times (-1: always).
    void AnswerPrefix(CByteArray prefix, CByteArray answer, int times = -1,
                      std::chrono::milliseconds delay = {});
    void SetHandler(Handler handler);
    // Every answer, programmed or not, comes this much later.
    void SetDelay(std::chrono::milliseconds delay);
    // Forgets queued answers, rules, handler and delay.
    void ClearAnswers();

    // The record.
    std::vector<CardEvent> Events() const;
    // Only the commands, in the order received.
    std::vector<CByteArray> Commands() const;
    std::size_t Count(CardEvent::Kind kind) const;
    void ClearRecord();
    // Waits until the record holds at least `count` events of `kind`; false on time-out.
    bool WaitForCount(CardEvent::Kind kind, std::size_t count, std::chrono::milliseconds limit) const;

  protected:
    explicit CVirtualCard(CByteArray atr);

    // Called with the card's lock held.
    virtual void OnPower(CardEvent::Kind kind);
    virtual CardReply OnCommand(const CByteArray& command) = 0;

    // Guards the card's own state in derived classes too.
    std::mutex& Lock() const { return m_mutex; }

  private:
    struct PrefixRule {
        CByteArray prefix;
        CByteArray answer;
        int times;
        std::chrono::milliseconds delay;
    };

    void Record(CardEvent::Kind kind, const CByteArray& bytes);
    std::optional<CardReply> ProgrammedReply(const CByteArray& command);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_recorded;
    CByteArray m_atr;
    std::vector<CardEvent> m_events;
    std::deque<CardReply> m_next;
    std::vector<PrefixRule> m_rules;
    Handler m_handler;
    std::chrono::milliseconds m_delay{0};
};

// "3B 02 14 50" -> bytes; throws std::invalid_argument for text that is not hex.
CByteArray HexBytes(const std::string& text);

}  // namespace tessaly::lab
