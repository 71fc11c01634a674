// The operator message dialog's logic: the caption, the buttons of each scheme, the input rules and
// the confirming second entry. Runs on the calling thread; the exchange with the host waits.
#pragma once

#include <cstdint>

#include "common/Types.h"
#include "driver/OperatorInterface.h"
#include "protocol/incoming/contactless/OperatorMessage.h"
#include "protocol/outgoing/ExchangeMessages.h"

namespace tessaly {

// The dialog's results are the return codes of the answer to the host (kMessageYes ... kMessageError,
// the last when the dialog could not be shown), and this one: the Escape key, the platform's cancel
// result, passed on as it is.
inline constexpr std::uint8_t kMessageEscape = 2;

// The caption of message boxes that name no caption of their own.
inline constexpr const char* kMessageBoxCaption = "Quorlin";

// Shows the host's message, with a second, confirming dialog when the command asks for it, and
// returns the result character. `entered` gets the text of the (first) dialog.
std::uint8_t ShowOperatorMessage(COperatorInterface& ui, const CRspMessage& command,
                                 const CString& applicationName, bool jobStopShown, CString& entered);

}  // namespace tessaly
