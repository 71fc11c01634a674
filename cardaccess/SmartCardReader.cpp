#include "cardaccess/SmartCardReader.h"

#include <utility>

#include "cardaccess/ReaderErrors.h"

namespace tessaly {

CSmartCardReader::CSmartCardReader(CString readerName) : m_readerName(std::move(readerName)) {}

CSmartCardReader::~CSmartCardReader() = default;

std::uint8_t CSmartCardReader::TransmitRecord(const CCommandRecord& record, CByteArray& response) {
    if (record.length > CCommandRecord::kCapacity) {
        response.clear();
        return Fail(station::kUndecodableData);
    }
    return TransmitBytes(record.caseByte, record.bytes.data(), record.length, response);
}

std::uint8_t CSmartCardReader::TransmitBytes(std::uint8_t caseByte, const std::uint8_t* bytes,
                                             std::size_t length, CByteArray& response) {
    if (bytes == nullptr && length != 0) {
        response.clear();
        return Fail(station::kUndecodableData);
    }
    CByteArray command;
    if (length != 0) {
        command.assign(bytes, bytes + length);
    }
    return Transmit(caseByte, command, response);
}

std::uint8_t CSmartCardReader::Fail(std::uint32_t code) {
    m_lastResult = code;
    return MapReaderError(code);
}

std::uint8_t CSmartCardReader::Succeed() {
    m_lastResult = 0;
    return station::kSuccess;
}

}  // namespace tessaly
