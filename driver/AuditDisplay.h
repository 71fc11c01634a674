// What the operator sees when the host ends a card or a job: the application's text for the DLL
// error code (from its error file) and the displayable items of the audit data.
#pragma once

#include <cstddef>

#include "common/Types.h"
#include "driver/OperatorInterface.h"

namespace tessaly {

// The longest 'D' item shown; longer ones are cut to it.
inline constexpr std::size_t kMaxAuditText = 2999;
inline constexpr const char* kCorruptAuditText =
    "Corrupt Audit data. QEX Unable to dispaly audit error messages";

// The error file of an application: the install folder, the application name and "_ERROR.msg",
// joined with the platform's folder separator.
CString ErrorFilePath(const CString& installPath, const CString& applicationName);

// Shows the rest of the first line of the error file whose first five characters are those of
// `dllError` (from its seventh character on, line end included). A missing file or code shows nothing.
void ShowDllErrorMessage(COperatorInterface& ui, const CString& installPath, const CString& applicationName,
                         const CString& dllError);

// Shows each text item (type 'D') of the audit data in its own message box. Corrupt data shows
// the corruption message once, after the items before it.
void ShowAuditData(COperatorInterface& ui, const CByteArray& audit);

}  // namespace tessaly
