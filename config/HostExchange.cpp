#include "config/HostExchange.h"

#include <memory>

#include "common/Format.h"
#include "config/StationForm.h"
#include "driver/settings/DriverSettings.h"
#include "protocol/ObjCommConnection.h"
#include "protocol/PassThruErrors.h"
#include "protocol/incoming/contact/ProtocolReplies.h"
#include "protocol/incoming/contactless/DeviceReplies.h"
#include "protocol/outgoing/ExchangeMessages.h"
#include "protocol/outgoing/RegistrationMessages.h"

namespace tessaly {
namespace {

// Sends one message and reads one answer. Null when the host closed without answering or the answer
// did not parse: both are reported as an unexpected response, and the connection is closed.
std::unique_ptr<CObjCommResponse> Exchange(CObjCommConnection& connection, const CObjCommMessage& message) {
    (void)connection.Send(message, kAddressCardProcessing, false);
    try {
        return connection.Receive(false);
    } catch (const CPassThruFormatError&) {
        return nullptr;
    }
}

// The outcome for an answer that is neither the expected command nor a refusal.
HostExchangeOutcome Unexpected() {
    return {kHostUnexpectedResponse, false};
}

HostExchangeOutcome Refused(const CRspError& error) {
    return {FormatText("Rudari Zovuravirero responded with error 0x%02X.", error.GetErrorCode() & 0xFFU),
            false};
}

}  // namespace

HostExchangeOutcome CheckHostPresent(const CString& ip, std::uint16_t port) {
    CObjCommConnection connection;
    if (!connection.Connect(ip, port)) {
        return {kUnableToConnect, false};
    }
    const std::unique_ptr<CObjCommResponse> answer = Exchange(connection, CMsgHealthCheck(true, false));
    connection.Close();
    if (answer && answer->GetCommand() == CRspHealthCheck::kCommand) {
        return {kHostResponding, true};
    }
    if (const auto* error = dynamic_cast<const CRspError*>(answer.get())) {
        return Refused(*error);
    }
    return Unexpected();
}

HostExchangeOutcome RegisterComputer(const CString& ip, std::uint16_t port, const CString& computerName,
                                     const CString& registeredName) {
    CObjCommConnection connection;
    if (!connection.Connect(ip, port)) {
        return {kUnableToConnect, false};
    }
    const std::unique_ptr<CObjCommResponse> answer =
        Exchange(connection, CMsgRegisterDevice(computerName, CByteArray(), registeredName, true));
    connection.Close();
    if (answer && answer->GetCommand() == CRspRegisterDevice::kCommand) {
        DriverSettings settings;
        settings.SetPrinterName(computerName);
        settings.SetRegisterByName(1);
        settings.SavePrinterNameAndMode();
        return {CStationForm::kRegistered, true};
    }
    if (const auto* error = dynamic_cast<const CRspError*>(answer.get())) {
        return Refused(*error);
    }
    return Unexpected();
}

}  // namespace tessaly
