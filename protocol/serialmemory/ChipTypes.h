// Serial-memory chip types: the byte by which a command names the memory chip it drives.
#pragma once

#include <cstdint>

#include "common/ValueTable.h"

namespace tessaly {

inline constexpr std::uint8_t kChipNone = 0x00;
inline constexpr std::uint8_t kChipSle4418 = 0x81;
inline constexpr std::uint8_t kChipSle4432 = 0x82;
inline constexpr std::uint8_t kChipSle4436 = 0x83;
inline constexpr std::uint8_t kChipGpm896 = 0x84;
inline constexpr std::uint8_t kChipGpm256 = 0x85;
inline constexpr std::uint8_t kChipSt133x = 0x86;
inline constexpr std::uint8_t kChipSt14C02C = 0x87;
inline constexpr std::uint8_t kChipSle4406 = 0x88;
inline constexpr std::uint8_t kChipAny = 0xFF;

inline constexpr CodeText kChipTypes[] = {
    {0x00, "No specified type."}, {0x81, "Siemens SLE 4418/4428"}, {0x82, "Siemens SLE 4432/4442"},
    {0x83, "Siemens SLE 4436"},   {0x84, "Gemplus GPM 896"},       {0x85, "Gemplus GPM 256"},
    {0x86, "SGS-Thomson ST133x"}, {0x87, "SGS-Thomson ST14C02C"},  {0x88, "Siemens SLE 4406"},
    {0xFF, "Any chip type"},
};
inline constexpr const char* kUnknownChipType = "Unknown Value";

constexpr const char* ChipTypeText(std::uint32_t chipType) {
    return LookupText(kChipTypes, chipType, kUnknownChipType);
}

}  // namespace tessaly
