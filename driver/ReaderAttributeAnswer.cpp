#include "driver/ReaderAttributeAnswer.h"

#include "cardaccess/AnswerToSelect.h"
#include "cardaccess/ReaderErrors.h"
#include "common/Format.h"
#include "driver/QuorlinLog.h"

namespace tessaly {
namespace {

constexpr std::uint8_t kAnswered = 0x30;      // '0'
constexpr std::uint8_t kNotAvailable = 0x37;  // '7'

constexpr std::uint32_t kCommandHandling = 7;
constexpr std::uint32_t kGetResponseClass = 8;
constexpr std::uint32_t kFrameWaitingTimeInteger = 10;
constexpr std::uint32_t kFrameWaitingTime = 11;
// Attribute 8's value for "the class byte of the command being answered".
constexpr std::uint32_t kOwnClass = 0xFFFF;
constexpr std::uint32_t kLargestClass = 0xFF;

struct AttributeRange {
    std::uint32_t destination;
    std::uint32_t first;
    std::uint32_t last;
};
constexpr AttributeRange kAttributeRanges[] = {
    {destination::kContact, 0, 8},
    {destination::kKeyStation, 0, 8},
    {destination::kContactless, 9, 26},
};

struct FixedAttribute {
    std::uint32_t attribute;
    std::uint32_t value;
};
// What a read of the attributes without a setting of their own reports.
constexpr FixedAttribute kFixedAttributes[] = {
    {0, 9600}, {1, 9600}, {2, 9600}, {3, 0},  {4, 22}, {5, 32},     {6, 9600}, {9, 0},
    {12, 0},   {13, 0},   {14, 0},   {15, 0}, {16, 0}, {17, 2},     {18, 10},  {19, 0},
    {20, 1},   {21, 1},   {22, 1},   {23, 0}, {24, 0}, {25, 13560}, {26, 9},
};

// Card types whose card has an ATS.
constexpr std::uint32_t kAtsCardTypes[] = {card_type::kIso14443A, card_type::kIso14443B,
                                           card_type::kIso14443Both};

bool Fits(std::uint32_t destinationCode, std::uint32_t attribute) {
    for (const AttributeRange& range : kAttributeRanges) {
        if (range.destination == destinationCode) {
            return attribute >= range.first && attribute <= range.last;
        }
    }
    return false;
}

bool HasAts(std::uint32_t cardType) {
    for (const std::uint32_t type : kAtsCardTypes) {
        if (type == cardType) {
            return true;
        }
    }
    return false;
}

// Attribute 10 or 11 from the card's ATS; `status` gets the reader's result when it cannot be read.
std::uint32_t AtsValue(std::uint32_t attribute, CJobReaders& readers, std::uint32_t& status) {
    if (!HasAts(readers.CardType())) {
        return 0;
    }
    CScmContactlessReader& contactless = readers.Contactless();
    CByteArray ats;
    if (contactless.GetAts(ats) != station::kSuccess) {
        LogError(__LINE__,
                 FormatText("GetAts failed with = %ld [%s]", SignedResult(contactless.GetLastResult()),
                            contactless.GetLastErrorText().c_str()));
        status = contactless.GetLastResult();
        return 0;
    }
    try {
        CAnswerToSelect parsed(false);
        parsed.Parse(ats);
        return attribute == kFrameWaitingTimeInteger
                   ? parsed.GetFrameWaitingTimeInteger()
                   : static_cast<std::uint32_t>(parsed.GetFrameWaitingTime());
    } catch (const CAnswerToSelect::CInvalidAts&) {
        return 0;
    }
}

std::uint32_t ReadValue(std::uint32_t attribute, CPcscReader& reader, CJobReaders& readers,
                        std::uint32_t& status) {
    switch (attribute) {
        case kCommandHandling:
            return reader.GetApduLevel() ? 0 : 1;
        case kGetResponseClass:
            return reader.GetGetResponseClass() < 0
                       ? kOwnClass
                       : static_cast<std::uint32_t>(reader.GetGetResponseClass());
        case kFrameWaitingTimeInteger:
        case kFrameWaitingTime:
            return AtsValue(attribute, readers, status);
        default:
            break;
    }
    for (const FixedAttribute& fixed : kFixedAttributes) {
        if (fixed.attribute == attribute) {
            return fixed.value;
        }
    }
    return 0;
}

// True when the value is taken.
bool SetValue(std::uint32_t attribute, std::uint32_t value, CPcscReader& reader) {
    if (attribute == kCommandHandling) {
        reader.SetApduLevel(value == 0);
    } else if (attribute == kGetResponseClass) {
        if (value == kOwnClass) {
            reader.SetGetResponseClass(-1);
        } else if (value <= kLargestClass) {
            reader.SetGetResponseClass(static_cast<std::int32_t>(value));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<CMsgReaderAttribute> AnswerReaderAttribute(const CRspReaderAttribute& command,
                                                           CJobReaders& readers) {
    CPcscReader* reader = readers.SelectDestinationReader(command.GetDestination());
    if (reader == nullptr) {
        return std::make_unique<CMsgReaderAttribute>(kAnswered, station::kInvalidDestination, false, 0, true);
    }
    if (!Fits(command.GetDestination(), command.GetAttribute())) {
        return std::make_unique<CMsgReaderAttribute>(kNotAvailable, 0, !command.IsSet(), 0, true);
    }
    if (command.IsSet()) {
        const bool taken = SetValue(command.GetAttribute(), command.GetValue(), *reader);
        return std::make_unique<CMsgReaderAttribute>(taken ? kAnswered : kNotAvailable, 0, false, 0, true);
    }
    std::uint32_t status = 0;
    const std::uint32_t value = ReadValue(command.GetAttribute(), *reader, readers, status);
    return std::make_unique<CMsgReaderAttribute>(kAnswered, status, true, value, true);
}

}  // namespace tessaly
