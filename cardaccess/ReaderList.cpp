#include "cardaccess/ReaderList.h"

#include "cardaccess/PcscHandles.h"

namespace tessaly {

using namespace platform;

std::uint32_t ListReaders(CStringArray& names) {
    names.clear();
    CPcscContext context;
    PcscResult rv = context.Establish();
    if (rv != pcsc::kSuccess) {
        return rv;
    }
    std::string multiString;
    rv = PcscListReaders(context.Get(), multiString);
    if (rv != pcsc::kSuccess) {
        return rv;
    }
    // Names end with a zero character; an empty name, or the end of what PC/SC returned, ends the list.
    std::size_t start = 0;
    while (start < multiString.size()) {
        std::size_t end = multiString.find('\0', start);
        if (end == std::string::npos) {
            end = multiString.size();
        }
        if (end == start) {
            break;
        }
        names.emplace_back(multiString, start, end - start);
        start = end + 1;
    }
    return rv;
}

}  // namespace tessaly
