// Rejections of a received packet. Thrown by value, caught by reference to the concrete class (or to
// the base, for what they all answer: FinishReason).
#pragma once

#include <cstdint>

namespace tessaly {

// The finish reasons with which a station answers a rejected packet.
inline constexpr std::uint8_t kFinishUnknownCommand = 0xF0;
inline constexpr std::uint8_t kFinishChecksumError = 0xF1;
inline constexpr std::uint8_t kFinishCorruptedPacket = 0xF2;

class CPassThruFormatError {
public:
    CPassThruFormatError() = default;
    CPassThruFormatError(const CPassThruFormatError&) = default;
    CPassThruFormatError& operator=(const CPassThruFormatError&) = default;
    virtual ~CPassThruFormatError() = default;
    // The class name, for tools and logs.
    virtual const char* Name() const = 0;
    // The finish reason with which a station answers the rejected packet.
    virtual std::uint8_t FinishReason() const = 0;
};

// Packet too short for its own fields, or a short-form frame type that is not 01, 03, 99 or FF.
class CPassThruParseError final : public CPassThruFormatError {
public:
    const char* Name() const override { return "CPassThruParseError"; }
    std::uint8_t FinishReason() const override { return kFinishCorruptedPacket; }
};

class CPassThruChecksumError final : public CPassThruFormatError {
public:
    const char* Name() const override { return "CPassThruChecksumError"; }
    std::uint8_t FinishReason() const override { return kFinishChecksumError; }
};

class CPassThruCmdUnknown final : public CPassThruFormatError {
public:
    const char* Name() const override { return "CPassThruCmdUnknown"; }
    std::uint8_t FinishReason() const override { return kFinishUnknownCommand; }
};

class CPassThruSubCmdUnknown final : public CPassThruFormatError {
public:
    const char* Name() const override { return "CPassThruSubCmdUnknown"; }
    std::uint8_t FinishReason() const override { return kFinishUnknownCommand; }
};

}  // namespace tessaly
