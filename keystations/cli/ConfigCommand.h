// `brantwick config list | add READER PORT | remove INDEX [--restart]`: the "Edit Configuration"
// dialog on the command line, over the registry's station list. A changed list is saved at once
// (there is no open document to keep it in); --restart is the "Yes" to "Configuration has changed -
// restart key servers?": the running brantwick (found through its PID file) gets SIGHUP.
#pragma once

#include "common/Types.h"

namespace tessaly::tools {

int ConfigList();
int ConfigAdd(const CString& reader, const CString& port, bool restart);
int ConfigRemove(const CString& index, bool restart);

}  // namespace tessaly::tools
