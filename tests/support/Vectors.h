// Golden cases kept as text files under tests/data, one case per line:
//
//   [name]  frame  flags  hex bytes...  =>  outcome  [= hex written back]  [{notes}]  [: "text" ...]
//
// name    optional, for cases that C++ code looks up (a message built from values).
// frame   how the bytes travel: 0A/05 (a pass-through body, sub-command 05, transaction 0001),
//         0A/FF@0000 (the same with another transaction number), L07 or S99 (the body of command 07
//         in the long or 99 in the short form) or raw (the bytes are the whole packet). A file may
//         give the token its own meaning (the chip type of a serial-memory operation).
// flags   - read narrow, x read extended, * both.
// outcome the class the bytes must be read as, or the exception they must be refused with followed
//         by its finish reason in hex.
// =       the body the object writes back, when it is not the body read.
// {notes} words for the checks: short (not in the long form), open (the body runs to its end, so a
//         byte more is no trailing byte), cuts=0,5 (these shorter bodies are whole; cuts=* every one),
//         tn=0005 (the transaction number of a raw packet); for a raw packet built from values, wide
//         (frame type 02) and addr=[CTRLR] (the address, when not "[KEY]").
// :       the description list, each entry a C-style quoted string.
//
// A line that starts with blanks continues the case above; # starts a comment line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/Types.h"

namespace tessaly::test {

struct Vector {
    std::string where;  // file:line, for failure messages
    std::string name;
    std::string frame;
    std::string flags;
    CByteArray bytes;
    std::string outcome;
    std::vector<std::string> notes;
    std::optional<CByteArray> writtenBack;
    std::optional<CStringArray> description;

    // The extended settings the case is read with.
    std::vector<bool> Extended() const;
    bool Has(const std::string& note) const;
    // The value of a note "key=value", or nullopt.
    std::optional<std::string> Note(const std::string& key) const;
    bool IsRejection() const { return outcome.rfind("CPassThru", 0) == 0; }
    // The body GetBody must give: the one written back, else the one read.
    const CByteArray& Body() const { return writtenBack ? *writtenBack : bytes; }
    // The whole packet (address "[KEY]" in the long forms) and its transaction number.
    CByteArray Packet() const;
    CByteArray PacketWithBody(const CByteArray& body) const;
    std::uint16_t Transaction() const;
    // For a rejection: the finish reason that follows the exception's name.
    std::uint8_t FinishReason() const;
    // Whether the body cut to `length` bytes is still whole.
    bool IsWholeCut(std::size_t length) const;
};

// Reads tests/data/<file>; a malformed line fails the current test and is left out.
const std::vector<Vector>& LoadVectors(const std::string& file);
const Vector* FindVector(const std::vector<Vector>& vectors, const std::string& name);

}  // namespace tessaly::test
