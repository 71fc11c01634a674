// The operator front end on a terminal: dialogs and message boxes are written to standard error,
// the operator answers on standard input (secret input without echo).
#pragma once

#include "driver/OperatorInterface.h"

namespace tessaly {

class CTerminalOperator final : public COperatorInterface {
public:
    // Each button is chosen by its number or its mnemonic letter; "esc" is the Escape key. The end
    // of the input means nobody is there any more: the dialog is reported as not shown.
    OperatorDialogAnswer ShowDialog(const OperatorDialogRequest& request) override;
    // Waits for Enter (or the end of the input).
    void ShowMessageBox(const CString& caption, const CString& text) override;
};

// The front end of a process that has not been given one: the terminal when someone can answer
// there, otherwise nobody (CAbsentOperator).
std::shared_ptr<COperatorInterface> MakeDefaultOperator();

}  // namespace tessaly
