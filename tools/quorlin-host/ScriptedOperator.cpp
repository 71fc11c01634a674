#include "tools/quorlin-host/ScriptedOperator.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tessaly::tools {
namespace {

struct ButtonName {
    const char* name;
    int button;
};
constexpr ButtonName kButtonNames[] = {
    {"Y", QUORLIN_BUTTON_FIRST},    {"O", QUORLIN_BUTTON_FIRST},    {"N", QUORLIN_BUTTON_SECOND},
    {"C", QUORLIN_BUTTON_SECOND},   {"S", QUORLIN_BUTTON_JOB_STOP}, {"E", QUORLIN_BUTTON_NOT_SHOWN},
    {"esc", QUORLIN_BUTTON_ESCAPE},
};

std::string Safe(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::optional<std::vector<OperatorItem>> ParseOperatorScript(const std::string& script, std::string& error) {
    std::vector<OperatorItem> items;
    if (script.empty()) {
        return items;  // nobody answers, but message boxes are still collected
    }
    std::size_t start = 0;
    while (start <= script.size()) {
        const std::size_t comma = std::min(script.find(',', start), script.size());
        const std::string item = script.substr(start, comma - start);
        const std::size_t colon = item.find(':');
        const std::string name = item.substr(0, colon);
        const auto* known = std::find_if(std::begin(kButtonNames), std::end(kButtonNames),
                                         [&](const ButtonName& entry) { return name == entry.name; });
        if (known == std::end(kButtonNames)) {
            error = "\"" + item + "\" is not an operator answer (Y, O, N, C, S, E or esc, then :TEXT)";
            return std::nullopt;
        }
        OperatorItem parsed;
        parsed.button = known->button;
        if (colon != std::string::npos) {
            parsed.text = item.substr(colon + 1);
        }
        if (parsed.text.size() > QUORLIN_MAX_INPUT) {
            error = "\"" + item + "\" types more than 255 characters";
            return std::nullopt;
        }
        items.push_back(std::move(parsed));
        start = comma + 1;
    }
    return items;
}

int32_t CScriptedOperator::Attach(QuorlinDriver* driver) {
    return QuorlinSetOperator(driver, &CScriptedOperator::OnDialog, &CScriptedOperator::OnMessageBox, this);
}

std::vector<std::string> CScriptedOperator::TakeDialogs() {
    return std::exchange(m_dialogs, {});
}

std::vector<std::string> CScriptedOperator::TakeMessageBoxes() {
    return std::exchange(m_messageBoxes, {});
}

int CScriptedOperator::OnDialog(void* context, const QuorlinDialog* dialog, char* text,
                                std::size_t capacity) {
    auto& self = *static_cast<CScriptedOperator*>(context);
    self.m_dialogs.push_back(Safe(dialog->caption) + " | " + Safe(dialog->message));
    if (self.m_next >= self.m_items.size()) {
        return QUORLIN_BUTTON_NOT_SHOWN;  // nobody is there any more
    }
    const OperatorItem& item = self.m_items[self.m_next++];
    if (capacity > 0) {
        const std::size_t length = std::min(item.text.size(), capacity - 1);
        std::memcpy(text, item.text.data(), length);
        text[length] = '\0';
    }
    return item.button;
}

void CScriptedOperator::OnMessageBox(void* context, const char* /*caption*/, const char* text) {
    static_cast<CScriptedOperator*>(context)->m_messageBoxes.push_back(Safe(text));
}

}  // namespace tessaly::tools
