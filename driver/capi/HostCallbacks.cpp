#include "driver/capi/HostCallbacks.h"

#include <array>
#include <cstring>

namespace tessaly {

OperatorDialogAnswer CHostCallbackOperator::ShowDialog(const OperatorDialogRequest& request) {
    if (m_dialog == nullptr) {
        return m_absent.ShowDialog(request);
    }
    QuorlinDialog dialog{};
    dialog.caption = request.caption.c_str();
    dialog.message = request.message.c_str();
    dialog.firstButton = request.firstButton.c_str();
    dialog.secondButton = request.secondButton.empty() ? nullptr : request.secondButton.c_str();
    dialog.jobStopShown = request.jobStopShown ? 1 : 0;
    dialog.inputWanted = request.inputWanted ? 1 : 0;
    dialog.secret = request.secret ? 1 : 0;
    dialog.maxLength = request.maxLength;
    dialog.initialText = request.initialText.c_str();

    std::array<char, kMaxInput + 1> text{};
    const CString initial = request.initialText.substr(0, kMaxInput);
    std::memcpy(text.data(), initial.data(), initial.size());
    const int button = m_dialog(m_context, &dialog, text.data(), text.size());
    text.back() = '\0';  // whatever the callback wrote, the text ends inside the buffer

    OperatorDialogAnswer answer;
    answer.text = text.data();
    switch (button) {
        case QUORLIN_BUTTON_FIRST:
            answer.button = DialogButton::First;
            break;
        case QUORLIN_BUTTON_SECOND:
            answer.button = DialogButton::Second;
            break;
        case QUORLIN_BUTTON_JOB_STOP:
            answer.button = DialogButton::JobStop;
            break;
        case QUORLIN_BUTTON_ESCAPE:
            answer.button = DialogButton::Escape;
            break;
        default:
            answer.button = DialogButton::NotShown;
            break;
    }
    return answer;
}

void CHostCallbackOperator::ShowMessageBox(const CString& caption, const CString& text) {
    if (m_messageBox == nullptr) {
        m_absent.ShowMessageBox(caption, text);
        return;
    }
    m_messageBox(m_context, caption.c_str(), text.c_str());
}

}  // namespace tessaly
