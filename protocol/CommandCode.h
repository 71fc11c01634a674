// The key of every dispatch table: a command code and, for pass-through commands, the sub-command
// code (-1 otherwise). Each protocol class states its own codes (kCommand, kSubCommand); the tables
// take them from the class and refuse, at compile time, a code listed twice.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "protocol/PacketFrame.h"

namespace tessaly {

struct CommandCode {
    std::uint32_t command = 0;
    int subCommand = -1;

    friend constexpr bool operator==(const CommandCode&, const CommandCode&) = default;
};

template <class T>
constexpr CommandCode CodeOf() {
    return {T::kCommand, T::kSubCommand};
}

// True when no two rows of `rows` (anything with a `code` member) carry the same code.
template <class Rows>
constexpr bool HasUniqueCodes(const Rows& rows) {
    const std::size_t count = std::size(rows);
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            if (rows[i].code == rows[j].code) {
                return false;
            }
        }
    }
    return true;
}

// The rows of several tables, in order, in one array.
template <class Row, std::size_t... N>
constexpr std::array<Row, (N + ...)> JoinRows(const Row (&... tables)[N]) {
    std::array<Row, (N + ...)> all{};
    auto at = all.begin();
    ((at = std::copy(std::begin(tables), std::end(tables), at)), ...);
    return all;
}

// A row's `create` by code in one step: one slot per pass-through sub-command, one per other command.
template <class Creator>
class CCodeIndex {
public:
    template <class Rows>
    constexpr explicit CCodeIndex(const Rows& rows) {
        for (const auto& row : rows) {
            if (row.code.command == kCommandPassThrough) {
                m_subCommands.at(static_cast<std::size_t>(row.code.subCommand)) = row.create;
            } else {
                m_commands.at(row.code.command) = row.create;
            }
        }
    }

    // Null when the code has no row.
    constexpr Creator SubCommand(std::uint8_t subCommand) const { return m_subCommands[subCommand]; }
    constexpr Creator Command(std::uint8_t command) const { return m_commands[command]; }

private:
    std::array<Creator, 256> m_subCommands{};
    std::array<Creator, 256> m_commands{};
};

}  // namespace tessaly
