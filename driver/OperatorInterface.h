// What the driver needs from whoever faces the operator: one modal message dialog and message
// boxes with one OK button. The dialog's rules (buttons by scheme, input checks, confirmation) are
// the driver's (OperatorDialogs.h); a front end only shows what it is given and reports what the
// operator did. Front ends: driver/ui (terminal, none, host callbacks), later the Win32 dialogs.
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

// How the operator ended the dialog.
enum class DialogButton {
    First,     // the default push button ("O&K", "&Yes", "&Ok")
    Second,    // "&Cancel", "&No"
    JobStop,   // "&Job Stop"
    Escape,    // the Escape key: the platform's cancel
    NotShown,  // the dialog could not be shown (no operator)
};

struct OperatorDialogRequest {
    CString caption;
    CString message;
    // Button texts with '&' before the mnemonic letter; an empty second text hides that button.
    CString firstButton;
    CString secondButton;
    bool jobStopShown = true;
    bool inputWanted = false;
    bool secret = false;          // mask the input with '*'
    std::uint32_t maxLength = 0;  // 0: no limit beyond kMaxInput
    CString initialText;          // the input field's content when the dialog opens
};

struct OperatorDialogAnswer {
    DialogButton button = DialogButton::NotShown;
    CString text;  // the input field's content; ignored when no input is wanted
};

class COperatorInterface {
public:
    // The longest input a dialog takes over.
    static constexpr std::uint32_t kMaxInput = 255;

    COperatorInterface() = default;
    COperatorInterface(const COperatorInterface&) = delete;
    COperatorInterface& operator=(const COperatorInterface&) = delete;
    virtual ~COperatorInterface() = default;

    // Shows the dialog until the operator ends it. Must not throw.
    virtual OperatorDialogAnswer ShowDialog(const OperatorDialogRequest& request) = 0;
    // Shows a message box with one OK button and returns when it is closed. Must not throw.
    virtual void ShowMessageBox(const CString& caption, const CString& text) = 0;
};

}  // namespace tessaly
