#include "cardaccess/ReaderList.h"

#include "platform/PcscApi.h"

namespace tessaly {

using namespace platform;

namespace {
constexpr std::size_t kListBufferChars = 1024;
}

std::uint32_t ListReaders(CStringArray& names) {
    names.clear();
    PcscHandle context = 0;
    PcscResult rv = PcscEstablishContext(context);
    if (rv != pcsc::kSuccess) {
        return rv;
    }
    std::string multiString;
    rv = PcscListReaders(context, kListBufferChars, multiString);
    PcscReleaseContext(context);
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
