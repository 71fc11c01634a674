// Station status codes: the one-byte result of every reader operation, and the texts that explain
// a reader's last result in logs.
#pragma once

#include <cstdint>

#include "common/Types.h"

namespace tessaly {

namespace station {
inline constexpr std::uint8_t kSuccess = 0x00;
inline constexpr std::uint8_t kCannotDispose = 0x80;
inline constexpr std::uint8_t kReaderUnavailable = 0x81;
inline constexpr std::uint8_t kCardInaccessible = 0x83;
inline constexpr std::uint8_t kCardUnresponsive = 0x84;
inline constexpr std::uint8_t kCommunicationTimeout = 0x86;
inline constexpr std::uint8_t kUnknownError = 0x87;
inline constexpr std::uint8_t kInvalidDestination = 0x88;
inline constexpr std::uint8_t kUndecodableData = 0x89;
inline constexpr std::uint8_t kUnexpectedData = 0x90;
inline constexpr std::uint8_t kNotSupported = 0x91;
inline constexpr std::uint8_t kUndefinedData = 0x99;
}  // namespace station

// The station status code for a PC/SC result, a station code or one of a reader's own codes.
std::uint8_t MapReaderError(std::uint32_t code);

// The code in lower-case hex followed by the text of the station and PC/SC tables
// ("8010000c -- The operation requires ..."); " -- Unknown error code." when neither knows it.
CString ReaderErrorText(std::uint32_t code);

// The code as "%x" followed by `text`: the form of every reader error text.
CString CodeWithText(std::uint32_t code, const char* text);

}  // namespace tessaly
