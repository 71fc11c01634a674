// The operator front end when nobody is there: messages cannot be shown (the dialog reports so, and
// the driver answers "E"), message boxes are written to the driver log instead.
#pragma once

#include "driver/OperatorInterface.h"

namespace tessaly {

class CAbsentOperator final : public COperatorInterface {
public:
    OperatorDialogAnswer ShowDialog(const OperatorDialogRequest& request) override;
    void ShowMessageBox(const CString& caption, const CString& text) override;
};

}  // namespace tessaly
