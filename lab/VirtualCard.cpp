#include "lab/VirtualCard.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "common/TextEncoding.h"

namespace tessaly::lab {

CVirtualCard::CVirtualCard(CByteArray atr) : m_atr(std::move(atr)) {}

CVirtualCard::~CVirtualCard() = default;

CByteArray CVirtualCard::Atr() {
    std::lock_guard lock(m_mutex);
    Record(CardEvent::Kind::AtrRequest, {});
    return m_atr;
}

void CVirtualCard::PowerOff() {
    std::lock_guard lock(m_mutex);
    Record(CardEvent::Kind::PowerOff, {});
    OnPower(CardEvent::Kind::PowerOff);
}

void CVirtualCard::PowerOn() {
    std::lock_guard lock(m_mutex);
    Record(CardEvent::Kind::PowerOn, {});
    OnPower(CardEvent::Kind::PowerOn);
}

void CVirtualCard::Reset() {
    std::lock_guard lock(m_mutex);
    Record(CardEvent::Kind::Reset, {});
    OnPower(CardEvent::Kind::Reset);
}

CardReply CVirtualCard::Command(const CByteArray& command) {
    std::lock_guard lock(m_mutex);
    Record(CardEvent::Kind::Command, command);
    CardReply reply;
    if (std::optional<CardReply> programmed = ProgrammedReply(command)) {
        reply = std::move(*programmed);
    } else {
        reply = OnCommand(command);
    }
    reply.delay += m_delay;
    return reply;
}

std::optional<CardReply> CVirtualCard::ProgrammedReply(const CByteArray& command) {
    if (!m_next.empty()) {
        CardReply reply = std::move(m_next.front());
        m_next.pop_front();
        return reply;
    }
    if (m_handler) {
        if (std::optional<CByteArray> answer = m_handler(command)) {
            return CardReply{std::move(*answer), {}};
        }
    }
    for (auto rule = m_rules.begin(); rule != m_rules.end(); ++rule) {
        if (command.size() >= rule->prefix.size() &&
            std::equal(rule->prefix.begin(), rule->prefix.end(), command.begin())) {
            CardReply reply{rule->answer, rule->delay};
            if (rule->times > 0 && --rule->times == 0) {
                m_rules.erase(rule);
            }
            return reply;
        }
    }
    return std::nullopt;
}

void CVirtualCard::AnswerNext(CByteArray answer, std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_next.push_back(CardReply{std::move(answer), delay});
}

void CVirtualCard::AnswerPrefix(CByteArray prefix, CByteArray answer, int times,
                                std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    if (times != 0) {
        m_rules.push_back(PrefixRule{std::move(prefix), std::move(answer), times, delay});
    }
}

void CVirtualCard::SetHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

void CVirtualCard::SetDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(m_mutex);
    m_delay = delay;
}

void CVirtualCard::ClearAnswers() {
    std::lock_guard lock(m_mutex);
    m_next.clear();
    m_rules.clear();
    m_handler = nullptr;
    m_delay = std::chrono::milliseconds(0);
}

void CVirtualCard::OnPower(CardEvent::Kind /*kind*/) {}

void CVirtualCard::SetAtr(CByteArray atr) {
    std::lock_guard lock(m_mutex);
    m_atr = std::move(atr);
}

void CVirtualCard::Record(CardEvent::Kind kind, const CByteArray& bytes) {
    m_events.push_back(CardEvent{kind, bytes});
    m_recorded.notify_all();
}

std::vector<CardEvent> CVirtualCard::Events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

std::vector<CByteArray> CVirtualCard::Commands() const {
    std::lock_guard lock(m_mutex);
    std::vector<CByteArray> commands;
    for (const CardEvent& event : m_events) {
        if (event.kind == CardEvent::Kind::Command) {
            commands.push_back(event.bytes);
        }
    }
    return commands;
}

std::size_t CVirtualCard::Count(CardEvent::Kind kind) const {
    std::lock_guard lock(m_mutex);
    return static_cast<std::size_t>(std::count_if(m_events.begin(), m_events.end(),
                                                  [kind](const CardEvent& e) { return e.kind == kind; }));
}

void CVirtualCard::ClearRecord() {
    std::lock_guard lock(m_mutex);
    m_events.clear();
}

bool CVirtualCard::WaitForCount(CardEvent::Kind kind, std::size_t count,
                                std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_mutex);
    return m_recorded.wait_for(lock, limit, [&] {
        return static_cast<std::size_t>(
                   std::count_if(m_events.begin(), m_events.end(),
                                 [kind](const CardEvent& e) { return e.kind == kind; })) >= count;
    });
}

CByteArray HexBytes(const std::string& text) {
    CByteArray bytes;
    if (!ParseHex(text, bytes)) {
        throw std::invalid_argument("not hex: " + text);
    }
    return bytes;
}

}  // namespace tessaly::lab
