// The factory's rows: which class a command or pass-through sub-command code makes. Each family of
// incoming classes lists its rows in its own registry header, with the codes taken from the classes;
// the factory joins them and refuses a code listed twice at compile time.
#pragma once

#include <cstdint>
#include <memory>

#include "protocol/CommandCode.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly {

// `longForm` is used only by the health check and error replies; `transactionNumber` only by the two
// end-of-pass-through classes that share sub-code 0xFF.
struct ResponseContext {
    bool extended;
    bool longForm;
    std::uint32_t transactionNumber;
};
using ResponseCreator = std::unique_ptr<CObjCommResponse> (*)(CInBinaryString& body,
                                                              const ResponseContext& context);

struct ResponseRow {
    CommandCode code;
    ResponseCreator create;
};

template <class T>
std::unique_ptr<CObjCommResponse> MakeResponse(CInBinaryString& body, const ResponseContext& context) {
    return std::make_unique<T>(body, context.extended);
}

// Replies whose constructor also takes the frame's form.
template <class T>
std::unique_ptr<CObjCommResponse> MakeResponseWithForm(CInBinaryString& body,
                                                       const ResponseContext& context) {
    return std::make_unique<T>(body, context.extended, context.longForm);
}

template <class T>
constexpr ResponseRow Response() {
    return {CodeOf<T>(), &MakeResponse<T>};
}

template <class T>
constexpr ResponseRow ResponseWithForm() {
    return {CodeOf<T>(), &MakeResponseWithForm<T>};
}

}  // namespace tessaly
