#include "driver/ui/TerminalOperator.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "driver/ui/AbsentOperator.h"
#include "platform/Terminal.h"

namespace tessaly {
namespace {

struct ShownButton {
    DialogButton button;
    CString label;  // without the mnemonic marker
    char mnemonic;  // lower case
};

ShownButton MakeButton(DialogButton button, const CString& text) {
    ShownButton shown{button, {}, 0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            shown.mnemonic = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
            continue;
        }
        shown.label.push_back(text[i]);
    }
    return shown;
}

void Write(const CString& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

CString Lower(CString text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

}  // namespace

OperatorDialogAnswer CTerminalOperator::ShowDialog(const OperatorDialogRequest& request) {
    std::vector<ShownButton> buttons{MakeButton(DialogButton::First, request.firstButton)};
    if (!request.secondButton.empty()) {
        buttons.push_back(MakeButton(DialogButton::Second, request.secondButton));
    }
    if (request.jobStopShown) {
        buttons.push_back(MakeButton(DialogButton::JobStop, "&Job Stop"));
    }
    Write("\n== " + request.caption + " ==\n" + request.message + "\n");
    OperatorDialogAnswer answer;
    if (request.inputWanted) {
        CString prompt = "Input";
        if (request.maxLength > 0) {
            prompt += " (" + std::to_string(request.maxLength) + " characters)";
        }
        Write(prompt + (request.secret ? " [hidden]: " : ": "));
        if (!platform::ReadTerminalLine(answer.text, request.secret)) {
            return {DialogButton::NotShown, {}};
        }
    }
    CString choices;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        choices += "[" + std::to_string(i + 1) + "] " + buttons[i].label + "  ";
    }
    for (;;) {
        Write(choices + "(esc: Escape) > ");
        CString line;
        if (!platform::ReadTerminalLine(line, false)) {
            return {DialogButton::NotShown, {}};
        }
        line = Lower(line);
        if (line == "esc") {
            answer.button = DialogButton::Escape;
            return answer;
        }
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            const bool byNumber = line == std::to_string(i + 1);
            const bool byLetter = line.size() == 1 && line[0] == buttons[i].mnemonic;
            if (byNumber || byLetter) {
                answer.button = buttons[i].button;
                return answer;
            }
        }
    }
}

void CTerminalOperator::ShowMessageBox(const CString& caption, const CString& text) {
    Write("\n== " + caption + " ==\n" + text + "\n[Enter] OK > ");
    CString line;
    (void)platform::ReadTerminalLine(line, false);
}

std::shared_ptr<COperatorInterface> MakeDefaultOperator() {
    if (platform::IsInteractiveTerminal()) {
        return std::make_shared<CTerminalOperator>();
    }
    return std::make_shared<CAbsentOperator>();
}

}  // namespace tessaly
