// Moving registry trees to and from the .reg text format.
#pragma once

#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "tools/tessaly-reg/RegFile.h"

namespace tessaly::tools {

// The whole tree under `root`\`path` (the key, its values, then its sub-keys depth first), as the
// sections of a .reg file without the header line.
bool ExportKey(platform::CRegistryStore& store, platform::RegistryRoot root, const std::string& path,
               std::string& text, std::string& error);
// Every root in regedit's order, with the header line.
bool ExportAll(platform::CRegistryStore& store, std::string& text, std::string& error);

// Applies the entries of a parsed file as one transaction: on any failure nothing is changed.
bool ApplyRegFile(platform::CRegistryStore& store, const std::vector<RegFileEntry>& entries,
                  std::string& error);

}  // namespace tessaly::tools
