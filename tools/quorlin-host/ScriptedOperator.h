// The operator of an unattended run: `--operator "O:1234,Y,S"` answers one dialog per item, in
// order (a button letter, optionally ':' and the text typed); when the items run out the operator
// is absent. Message boxes are collected (they need no answer). Given to the driver through its
// C callbacks.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "driver/capi/quorlin.h"

namespace tessaly::tools {

struct OperatorItem {
    int button = QUORLIN_BUTTON_NOT_SHOWN;
    std::string text;
};

// Y and O press the first button, N and C the second, S Job Stop, E leaves the dialog unshown and
// "esc" is the Escape key. The empty script has no items. Nothing (and `error` says why) for anything
// else.
std::optional<std::vector<OperatorItem>> ParseOperatorScript(const std::string& script, std::string& error);

class CScriptedOperator {
public:
    explicit CScriptedOperator(std::vector<OperatorItem> items) : m_items(std::move(items)) {}

    // Hands this operator to the driver.
    int32_t Attach(QuorlinDriver* driver);

    // What the operator saw since the last call: one line per dialog ("caption | message") and one
    // per message box.
    std::vector<std::string> TakeDialogs();
    std::vector<std::string> TakeMessageBoxes();

private:
    static int OnDialog(void* context, const QuorlinDialog* dialog, char* text, std::size_t capacity);
    static void OnMessageBox(void* context, const char* caption, const char* text);

    std::vector<OperatorItem> m_items;
    std::size_t m_next = 0;
    std::vector<std::string> m_dialogs;
    std::vector<std::string> m_messageBoxes;
};

}  // namespace tessaly::tools
