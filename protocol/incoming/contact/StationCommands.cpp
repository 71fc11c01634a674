#include "protocol/incoming/contact/StationCommands.h"

#include "common/ValueTable.h"

namespace tessaly {
namespace {

// Same numbering as the resend request this side sends.
constexpr CodeText kResendErrors[] = {
    {0x01, "HeaderUnmatched"},
    {0x02, "MessageCorrupted"},
    {0x91, "ChecksumError"},
    {0x93, "UnknownCommand"},
};

// 0x81 to 0x88 are the serial-memory chips.
constexpr CodeText kCardTypes[] = {
    {CRspSetCardType::kContactCard, "ISO 7816-3, T=0/T=1"},
    {0x18, "MIFARE"},
    {0x28, "ISO 14443-3/4 Type A"},
    {0x29, "ISO 14443-3/4 Type A, PayPass alternative"},
    {0x59, "ISO 14443-3/4 Type A, PayPass alternative 2"},
    {0x38, "ISO 14443-3/4 Type B"},
    {0x89, "ISO 14443-3/4 Type B, PayPass alternative"},
    {0x39, "ISO 14443-3/4 Type B, PayPass alternative 2"},
    {0x48, "FeliCa"},
    {0x81, "SLE 4418/4428"},
    {0x82, "SLE 4432/4442"},
    {0x83, "SLE 4436"},
    {0x84, "GPM 896"},
    {0x85, "GPM 256"},
    {0x86, "ST133x"},
    {0x87, "ST14C02C"},
    {0x88, "SLE 4406"},
};

}  // namespace

CString CRspResend::ErrorText::operator()(std::uint32_t code) const {
    return LookupText(kResendErrors, code, "Unknown Value");
}

CString CRspSetCardType::CardTypeText::operator()(std::uint32_t code) const {
    return LookupText(kCardTypes, code, "Unknown Value");
}

}  // namespace tessaly
