// Commands written by name and fields (`process dest=58 apdu=00A4040002 3F00 00`): each builds its
// body in the layout its incoming class reads, extended or not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Types.h"
#include "tools/objcomm/script/CommandClasses.h"
#include "tools/objcomm/script/ScriptFields.h"

namespace tessaly::tools {

struct NamedBody {
    const CommandClass* commandClass = nullptr;
    CByteArray body;
    // The number the command must travel with (the bare finish needs 0), when it has one.
    std::optional<std::uint16_t> transaction;
};

bool IsNamedCommand(const std::string& word);
// True for the command whose items follow on `item` lines.
bool TakesItems(const std::string& word);

// `items` holds the fields of each item line (bulk only). False, with a message, for a field that is
// missing, unknown, out of range or not in this layout.
bool BuildNamedBody(const std::string& name, const std::vector<NamedField>& fields,
                    const std::vector<std::vector<NamedField>>& items, bool extended, NamedBody& out,
                    std::string& error);

// One item of a bulk command alone: its length field and content, as BuildNamedBody writes it.
bool BuildBulkItem(const std::vector<NamedField>& fields, bool extended, CByteArray& out, std::string& error);

}  // namespace tessaly::tools
