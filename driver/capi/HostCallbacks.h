// The operator front end of a host application: its C callbacks. A missing dialog callback answers
// "could not be displayed"; a missing message-box callback writes message boxes to the log.
#pragma once

#include "driver/OperatorInterface.h"
#include "driver/capi/quorlin.h"
#include "driver/ui/AbsentOperator.h"

namespace tessaly {

class CHostCallbackOperator final : public COperatorInterface {
public:
    CHostCallbackOperator(QuorlinDialogCallback dialog, QuorlinMessageBoxCallback messageBox, void* context)
        : m_dialog(dialog), m_messageBox(messageBox), m_context(context) {}

    OperatorDialogAnswer ShowDialog(const OperatorDialogRequest& request) override;
    void ShowMessageBox(const CString& caption, const CString& text) override;

private:
    QuorlinDialogCallback m_dialog;
    QuorlinMessageBoxCallback m_messageBox;
    void* m_context;
    CAbsentOperator m_absent;  // for the callback the host left out
};

}  // namespace tessaly
