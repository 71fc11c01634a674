// The card profiles cardsim offers.
#pragma once

#include <memory>
#include <string>

#include "lab/VirtualCard.h"

namespace tessaly::tools {

// t0, t1, iso14443, mifare1k, mifare4k; null for any other name.
std::shared_ptr<lab::CVirtualCard> MakeProfile(const std::string& profile, const CByteArray& atr);

}  // namespace tessaly::tools
