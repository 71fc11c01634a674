#include "protocol/incoming/contact/SerialPortCommands.h"

#include "common/ValueTable.h"

namespace tessaly {
namespace {

// Serial Flush names the ports in its own way.
constexpr CodeText kFlushPorts[] = {{0x80, "Port A"}, {0x88, "Port B"}};

}  // namespace

CString CRspSerialFlush::PortText::operator()(std::uint32_t code) const {
    return LookupText(kFlushPorts, code, "Unknown Destination  Value");
}

}  // namespace tessaly
