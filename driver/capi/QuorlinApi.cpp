// The C API over the driver core. Every entry point checks its pointers, converts the arguments,
// calls the core and copies the outputs into buffers of its own; nothing thrown leaves it.
#include "driver/capi/quorlin.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "common/log/DriverLog.h"
#include "driver/Halcyra.h"
#include "driver/capi/HostCallbacks.h"
#include "driver/ui/TerminalOperator.h"
#include "tessaly/Version.h"

struct QuorlinDriver {
    explicit QuorlinDriver(std::shared_ptr<tessaly::COperatorInterface> ui) : halcyra(std::move(ui)) {}
    tessaly::CHalcyra halcyra;
};

namespace {

using tessaly::CByteArray;
using tessaly::CString;

CString Text(const char* text) {
    return text != nullptr ? CString(text) : CString();
}

// Nothing when the array cannot be read.
std::optional<CByteArray> Bytes(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr) {
        return length == 0 ? std::optional<CByteArray>(CByteArray()) : std::nullopt;
    }
    return CByteArray(data, data + length);
}

// A buffer of the driver's own, never null; the caller frees it with QuorlinFree. Plain C memory:
// the buffer leaves C++ ownership at the interface.
void* CopyOut(const void* bytes, std::size_t length, std::size_t extra) {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory)
    void* buffer = std::malloc(length + extra > 0 ? length + extra : 1);
    if (buffer != nullptr && length > 0) {
        std::memcpy(buffer, bytes, length);
    }
    return buffer;
}

std::int32_t WriteName(const std::optional<CString>& name, char** out) {
    if (!name) {
        return QUORLIN_OK;
    }
    auto* copy = static_cast<char*>(CopyOut(name->data(), name->size(), 1));
    if (copy == nullptr) {
        return QUORLIN_E_OUTOFMEMORY;
    }
    copy[name->size()] = '\0';
    *out = copy;
    return QUORLIN_OK;
}

// Runs an entry point's body; nothing thrown leaves it.
template <class Body>
std::int32_t Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return QUORLIN_E_OUTOFMEMORY;
    } catch (...) {
        return QUORLIN_E_UNEXPECTED;
    }
}

}  // namespace

extern "C" {

QuorlinDriver* QuorlinCreate(void) {
    try {
        tessaly::SetLoggingEnabled(true);
        // Ownership passes to the caller until QuorlinDestroy.
        return std::make_unique<QuorlinDriver>(tessaly::MakeDefaultOperator()).release();
    } catch (...) {
        return nullptr;
    }
}

void QuorlinDestroy(QuorlinDriver* driver) {
    std::unique_ptr<QuorlinDriver> owned(driver);
}

int32_t QuorlinSetOperator(QuorlinDriver* driver, QuorlinDialogCallback dialog,
                           QuorlinMessageBoxCallback messageBox, void* context) {
    if (driver == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] {
        driver->halcyra.SetOperatorInterface(
            std::make_shared<tessaly::CHostCallbackOperator>(dialog, messageBox, context));
        return QUORLIN_OK;
    });
}

int32_t QuorlinInitialize(QuorlinDriver* driver, const char* applicationName, const uint8_t* firData,
                          size_t firLength, int32_t* status) {
    if (driver == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] {
        return driver->halcyra.Initialize(Text(applicationName), Bytes(firData, firLength), *status);
    });
}

int32_t QuorlinProcessCard(QuorlinDriver* driver, const char* applicationName, const uint8_t* applicationData,
                           size_t applicationLength, uint8_t** auditData, size_t* auditLength,
                           int32_t* status) {
    if (driver == nullptr || auditData == nullptr || auditLength == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] {
        std::optional<CByteArray> audit;
        const std::int32_t result = driver->halcyra.ProcessCard(
            Text(applicationName), Bytes(applicationData, applicationLength), audit, *status);
        if (audit) {
            auto* copy = static_cast<uint8_t*>(CopyOut(audit->data(), audit->size(), 0));
            if (copy == nullptr) {
                return QUORLIN_E_OUTOFMEMORY;
            }
            *auditData = copy;
            *auditLength = audit->size();
        }
        return result;
    });
}

int32_t QuorlinTerminateJob(QuorlinDriver* driver, const char* applicationName, int32_t* status) {
    if (driver == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] { return driver->halcyra.TerminateJob(Text(applicationName), *status); });
}

int32_t QuorlinRegisterDevice(QuorlinDriver* driver, const char* deviceName, int overwritePreviousName,
                              int32_t* status) {
    if (driver == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] {
        return driver->halcyra.RegisterDevice(Text(deviceName), overwritePreviousName != 0, *status);
    });
}

int32_t QuorlinRequestDeviceName(QuorlinDriver* driver, char** deviceName, int32_t* status) {
    if (driver == nullptr || deviceName == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] {
        std::optional<CString> name;
        const std::int32_t result = driver->halcyra.RequestDeviceName(name, *status);
        const std::int32_t written = WriteName(name, deviceName);
        return written != QUORLIN_OK ? written : result;
    });
}

int32_t QuorlinRegisterDeviceByName(QuorlinDriver* driver, const char* deviceName, const char* previousName,
                                    int32_t* status) {
    if (driver == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded(
        [&] { return driver->halcyra.RegisterDeviceByName(Text(deviceName), Text(previousName), *status); });
}

int32_t QuorlinSetDeviceName(QuorlinDriver* driver, const char* deviceName, char** answeredName,
                             int32_t* status) {
    if (driver == nullptr || answeredName == nullptr || status == nullptr) {
        return QUORLIN_E_POINTER;
    }
    return Guarded([&] {
        std::optional<CString> name;
        const std::int32_t result = driver->halcyra.SetDeviceName(Text(deviceName), name, *status);
        const std::int32_t written = WriteName(name, answeredName);
        return written != QUORLIN_OK ? written : result;
    });
}

void QuorlinFree(void* buffer) {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc,cppcoreguidelines-owning-memory): from CopyOut
    std::free(buffer);
}

const char* QuorlinVersion(void) {
    return TESSALY_VERSION_TEXT;
}

}  // extern "C"
