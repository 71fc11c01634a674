// `objcomm decode`: a packet as its class, codes and description. By default the packet is read as a
// station receives it (an incoming command); with --ack as a station sends it (an outgoing message).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tessaly::tools {

// Exit codes: 0 parsed, 1 rejected by the codec, 2 bad usage (not hex, no packet).
int RunDecode(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tools
