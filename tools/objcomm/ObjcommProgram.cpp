#include "tools/objcomm/ObjcommProgram.h"

#include "tools/objcomm/DecodeCommand.h"
#include "tools/objcomm/host/HostCommand.h"
#include "tools/objcomm/zolt/ZoltCommand.h"

namespace tessaly::tools {

int RunObjcomm(const std::vector<std::string>& args, const cli::Streams& io) {
    CLI::App app("A protocol debugger: decodes packets and plays exchange scripts against stations.",
                 "objcomm");
    cli::Prepare(app);
    cli::Action chosen;
    AddDecodeCommand(app, chosen, io);
    AddZoltCommand(app, chosen, io);
    AddHostCommand(app, chosen, io);
    return cli::Run(app, args, io, chosen);
}

}  // namespace tessaly::tools
