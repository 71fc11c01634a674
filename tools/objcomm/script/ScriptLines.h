// The parts of a script line that name a packet or an expected answer.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tools/objcomm/script/Script.h"
#include "tools/objcomm/script/ScriptFields.h"
#include "tools/objcomm/script/ScriptParser.h"
#include "tools/objcomm/script/ScriptTokens.h"

namespace tessaly::tools {

using Words = std::span<const ScriptToken>;
// Hands out the next automatic transaction number.
using TransactionSource = std::function<std::uint16_t()>;

// `raw HEX`, `CRspName [tn=N] [form=F] BODYHEX` or `name [tn=N] [form=F] field=value...`. A bulk
// command is returned with an empty body and `bulk` set; its items follow on item lines.
bool ParseScriptPacket(Words words, const ScriptSettings& settings, const TransactionSource& nextTransaction,
                       ScriptPacket& scripted, bool& bulk, std::string& error);

// The words after `expect`: [wait=MS] [tn=N|any] then none, closed, any, a CMsg class with
// label=value pairs, or the answer's hex. The transaction is left for the caller to default.
bool ParseExpectation(Words words, const ScriptSettings& settings, Expectation& expectation,
                      bool& transactionGiven, std::string& error);

// The fields of a named command or an item line: name=value words, a byte field's value continuing
// over the words after it.
bool CollectFields(Words words, std::vector<NamedField>& fields, std::string& error);

// A time in milliseconds up to kMaxScriptWait.
bool ParseMilliseconds(const std::string& text, std::chrono::milliseconds& out);

}  // namespace tessaly::tools
