#include "common/registry/SplitText.h"

namespace tessaly {

std::size_t SplitText(CStringArray& out, const CString& text, char delimiter) {
    out.clear();
    if (text.empty()) {
        return 0;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find(delimiter, start);
        if (end == CString::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out.size();
}

}  // namespace tessaly
