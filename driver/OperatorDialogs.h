// The operator message dialog's logic: the caption, the buttons of each scheme, the input rules and
// the confirming second entry. Runs on the calling thread; the exchange with the host waits.
#pragma once

#include <cstdint>

#include "common/Types.h"
#include "driver/OperatorInterface.h"
#include "protocol/incoming/contactless/OperatorMessage.h"

namespace tessaly {

// The dialog's results (the return code of the answer to the host).
namespace operator_result {
inline constexpr std::uint8_t kYes = 'Y';
inline constexpr std::uint8_t kNo = 'N';
inline constexpr std::uint8_t kOk = 'O';
inline constexpr std::uint8_t kCancel = 'C';
inline constexpr std::uint8_t kJobStop = 'S';
// The dialog could not be shown.
inline constexpr std::uint8_t kNotShown = 'E';
// The Escape key: the platform's cancel result, passed on as it is.
inline constexpr std::uint8_t kEscape = 2;
}  // namespace operator_result

// The caption of message boxes that name no caption of their own.
inline constexpr const char* kMessageBoxCaption = "Quorlin";

// Shows the host's message, with a second, confirming dialog when the command asks for it, and
// returns the result character. `entered` gets the text of the (first) dialog.
std::uint8_t ShowOperatorMessage(COperatorInterface& ui, const CRspMessage& command,
                                 const CString& applicationName, bool jobStopShown, CString& entered);

}  // namespace tessaly
