// The card profiles cardsim offers and its command line.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lab/VirtualCard.h"

namespace tessaly::tools {

struct CardsimOptions {
    std::uint16_t port = 0;
    std::string profile;
    CByteArray atr;  // empty: the profile's own
    bool quiet = false;
};

// The usage text.
extern const char* const kCardsimUsage;

// Reads the arguments after the program name; on a mistake returns nothing and sets `error`.
std::optional<CardsimOptions> ParseCardsimOptions(const std::vector<std::string>& arguments,
                                                  std::string& error);

// t0, t1, iso14443, mifare1k, mifare4k; null for any other name.
std::shared_ptr<lab::CVirtualCard> MakeProfile(const std::string& profile, const CByteArray& atr);

}  // namespace tessaly::tools
