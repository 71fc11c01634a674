#include "driver/ui/AbsentOperator.h"

#include "common/Format.h"
#include "driver/QuorlinLog.h"

namespace tessaly {

OperatorDialogAnswer CAbsentOperator::ShowDialog(const OperatorDialogRequest& /*request*/) {
    return {DialogButton::NotShown, {}};
}

void CAbsentOperator::ShowMessageBox(const CString& caption, const CString& text) {
    LogInfo(__LINE__, FormatText("Message box [%s]: %s", caption.c_str(), text.c_str()));
}

}  // namespace tessaly
