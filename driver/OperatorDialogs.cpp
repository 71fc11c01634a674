#include "driver/OperatorDialogs.h"

#include "common/Format.h"

namespace tessaly {
namespace {

struct ButtonTexts {
    std::uint32_t scheme;
    const char* first;
    const char* second;  // empty: hidden
};
constexpr ButtonTexts kSchemeButtons[] = {
    {CRspMessage::kButtonsYesNo, "&Yes", "&No"},
    {CRspMessage::kButtonsOkCancel, "&Ok", "&Cancel"},
    {CRspMessage::kButtonsOk, "&Ok", ""},
};
constexpr ButtonTexts kDefaultButtons = {0, "O&K", "&Cancel"};

const ButtonTexts& ButtonsOf(std::uint32_t scheme) {
    for (const ButtonTexts& buttons : kSchemeButtons) {
        if (buttons.scheme == scheme) {
            return buttons;
        }
    }
    return kDefaultButtons;
}

class CMessageDialog {
public:
    CMessageDialog(COperatorInterface& ui, const CRspMessage& command, const CString& applicationName,
                   bool jobStopShown)
        : m_ui(ui), m_command(command), m_applicationName(applicationName), m_jobStopShown(jobStopShown) {}

    // One dialog until the operator ends it; `text` gets the input taken over.
    std::uint8_t Run(bool reentry, CString& text) const {
        const OperatorDialogRequest request = MakeRequest(reentry);
        const bool yesNo = m_command.GetButtonScheme() == CRspMessage::kButtonsYesNo;
        OperatorDialogRequest shown = request;
        for (;;) {
            const OperatorDialogAnswer answer = m_ui.ShowDialog(shown);
            switch (answer.button) {
                case DialogButton::First:
                    if (!TakeInput(answer.text, text)) {
                        shown.initialText = answer.text;
                        continue;  // the dialog stays open
                    }
                    return yesNo ? kMessageYes : kMessageOk;
                case DialogButton::Second:
                    if (request.secondButton.empty()) {
                        return kMessageError;  // a hidden button cannot be pressed
                    }
                    return yesNo ? kMessageNo : kMessageCancel;
                case DialogButton::JobStop:
                    return kMessageStopJob;
                case DialogButton::Escape:
                    return kMessageEscape;
                case DialogButton::NotShown:
                    break;
            }
            return kMessageError;
        }
    }

private:
    bool InputWanted() const { return m_command.GetInputIndicator() == CRspMessage::kInputAny; }
    std::uint32_t ExpectedLength() const { return InputWanted() ? m_command.GetExpectedInputLength() : 0; }

    OperatorDialogRequest MakeRequest(bool reentry) const {
        const ButtonTexts& buttons = ButtonsOf(m_command.GetButtonScheme());
        OperatorDialogRequest request;
        request.caption = "Message from Personalization application: " + m_applicationName;
        request.message =
            reentry ? "Please re-enter to confirm:\n" + m_command.GetText() : m_command.GetText();
        request.firstButton = buttons.first;
        request.secondButton = buttons.second;
        request.jobStopShown = m_jobStopShown;
        request.inputWanted = InputWanted();
        request.secret = request.inputWanted && m_command.GetInputSecurity() == CRspMessage::kInputSecret;
        request.maxLength = ExpectedLength();
        return request;
    }

    // The first button's checks: the field's limits, then the expected length.
    bool TakeInput(const CString& typed, CString& text) const {
        if (!InputWanted()) {
            text.clear();
            return true;
        }
        CString input = typed.substr(0, COperatorInterface::kMaxInput);
        const std::uint32_t expected = ExpectedLength();
        if (expected > 0 && input.size() > expected) {
            input.resize(expected);  // the field takes no more than the expected length
        }
        if (expected > 0 && input.size() != expected) {
            m_ui.ShowMessageBox(
                kMessageBoxCaption,
                FormatText("Please enter %u characters.  You only entered %u characters.",
                           static_cast<unsigned>(expected), static_cast<unsigned>(input.size())));
            return false;
        }
        text = input;
        return true;
    }

    COperatorInterface& m_ui;
    const CRspMessage& m_command;
    const CString& m_applicationName;
    bool m_jobStopShown;
};

bool Accepted(std::uint8_t result) {
    return result == kMessageYes || result == kMessageOk;
}

}  // namespace

std::uint8_t ShowOperatorMessage(COperatorInterface& ui, const CRspMessage& command,
                                 const CString& applicationName, bool jobStopShown, CString& entered) {
    const CMessageDialog dialog(ui, command, applicationName, jobStopShown);
    entered.clear();
    for (;;) {
        CString first;
        const std::uint8_t result = dialog.Run(false, first);
        if (!Accepted(result)) {
            return result;
        }
        entered = first;
        if (command.GetConfirmation() != CRspMessage::kConfirmInput) {
            return result;
        }
        CString second;
        const std::uint8_t confirmation = dialog.Run(true, second);
        if (!Accepted(confirmation) || second == entered) {
            return confirmation;
        }
        ui.ShowMessageBox("Message from Personalization Application: " + applicationName,
                          "Inputs don't match -- please re-enter");
    }
}

}  // namespace tessaly
