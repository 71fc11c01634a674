// A small ISO 7816-4 file system: a master file with transparent elementary files and
// applications selected by name. SELECT, READ BINARY and UPDATE BINARY; everything else is
// refused with 6D 00. Transport rules (T=0, T=1) are the card's, not the file system's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "common/Types.h"

namespace tessaly::lab {

struct CommandApdu {
    std::uint8_t cla = 0;
    std::uint8_t ins = 0;
    std::uint8_t p1 = 0;
    std::uint8_t p2 = 0;
    CByteArray data;
    // How many bytes the command lets the card answer with (256 for an Le of 00); none: no answer data.
    std::optional<std::size_t> le;
};

struct ResponseApdu {
    CByteArray data;
    std::uint16_t sw = 0x9000;
};

class CIsoFileSystem {
  public:
    static constexpr std::uint16_t kMasterFile = 0x3F00;

    // The master file alone, selected.
    CIsoFileSystem();

    // A transparent file under the master file; replaces one with the same identifier.
    void SetFile(std::uint16_t fid, CByteArray content);
    std::optional<CByteArray> File(std::uint16_t fid) const;
    // An application selected by its name (SELECT with P1 04) that answers with `fci`.
    void AddApplication(CByteArray aid, CByteArray fci);
    // After a reset: the master file is selected.
    void SelectMasterFile();

    ResponseApdu Execute(const CommandApdu& command);

  private:
    std::vector<std::pair<CByteArray, CByteArray>>::iterator FindApplication(const CByteArray& aid);
    ResponseApdu Select(const CommandApdu& command);
    ResponseApdu ReadBinary(const CommandApdu& command) const;
    ResponseApdu UpdateBinary(const CommandApdu& command);

    std::map<std::uint16_t, CByteArray> m_files;
    std::vector<std::pair<CByteArray, CByteArray>> m_applications;  // name, FCI
    std::optional<std::uint16_t> m_currentFile;                     // the selected elementary file
};

}  // namespace tessaly::lab
