#include "driver/ReaderAttributeAnswer.h"

#include <span>

#include "cardaccess/AnswerToSelect.h"
#include "cardaccess/ContactReaderAttributes.h"
#include "cardaccess/ReaderErrors.h"
#include "common/Format.h"
#include "driver/QuorlinLog.h"

namespace tessaly {
namespace {

constexpr std::uint32_t kFrameWaitingTimeInteger = 10;
constexpr std::uint32_t kFrameWaitingTime = 11;

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

// What a read of the contactless attributes without a setting of their own reports.
constexpr FixedAttributeValue kContactlessFixedAttributes[] = {
    {9, 0},  {12, 0}, {13, 0}, {14, 0}, {15, 0}, {16, 0}, {17, 2},     {18, 10},
    {19, 0}, {20, 1}, {21, 1}, {22, 1}, {23, 0}, {24, 0}, {25, 13560}, {26, 9},
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
    if (IsTransmissionAttribute(attribute)) {
        return ReadTransmissionAttribute(reader, attribute);
    }
    if (attribute == kFrameWaitingTimeInteger || attribute == kFrameWaitingTime) {
        return AtsValue(attribute, readers, status);
    }
    using Table = std::span<const FixedAttributeValue>;
    for (const Table table : {Table(kContactFixedAttributes), Table(kContactlessFixedAttributes)}) {
        for (const FixedAttributeValue& fixed : table) {
            if (fixed.attribute == attribute) {
                return fixed.value;
            }
        }
    }
    return 0;
}

}  // namespace

std::unique_ptr<CMsgReaderAttribute> AnswerReaderAttribute(const CRspReaderAttribute& command,
                                                           CJobReaders& readers) {
    CPcscReader* reader = readers.SelectDestinationReader(command.GetDestination());
    if (reader == nullptr) {
        return std::make_unique<CMsgReaderAttribute>(kAttributeAnswered, station::kInvalidDestination, false,
                                                     0, true);
    }
    if (!Fits(command.GetDestination(), command.GetAttribute())) {
        return std::make_unique<CMsgReaderAttribute>(kAttributeNotImplemented, 0, !command.IsSet(), 0, true);
    }
    if (command.IsSet()) {
        // A set of an attribute of a fixed value is taken and changes nothing.
        const bool taken = !IsTransmissionAttribute(command.GetAttribute()) ||
                           SetTransmissionAttribute(*reader, command.GetAttribute(), command.GetValue());
        return std::make_unique<CMsgReaderAttribute>(taken ? kAttributeAnswered : kAttributeNotImplemented, 0,
                                                     false, 0, true);
    }
    std::uint32_t status = 0;
    const std::uint32_t value = ReadValue(command.GetAttribute(), *reader, readers, status);
    return std::make_unique<CMsgReaderAttribute>(kAttributeAnswered, status, true, value, true);
}

}  // namespace tessaly
