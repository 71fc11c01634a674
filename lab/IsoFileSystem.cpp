#include "lab/IsoFileSystem.h"

#include <algorithm>
#include <utility>

namespace tessaly::lab {
namespace {

constexpr std::uint8_t kInsSelect = 0xA4;
constexpr std::uint8_t kInsReadBinary = 0xB0;
constexpr std::uint8_t kInsUpdateBinary = 0xD6;
constexpr std::uint8_t kSelectByName = 0x04;
constexpr std::uint8_t kNoFci = 0x0C;

// File control information of an elementary file: size and identifier.
CByteArray ElementaryFci(std::uint16_t fid, std::size_t size) {
    return {
        0x62, 0x0B, 0x80, 0x02, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size), 0x82,
        0x01, 0x01, 0x83, 0x02, static_cast<std::uint8_t>(fid >> 8),  static_cast<std::uint8_t>(fid)};
}

CByteArray MasterFci() {
    return {0x62, 0x07, 0x82, 0x01, 0x38, 0x83, 0x02, 0x3F, 0x00};
}

ResponseApdu Status(std::uint16_t sw) {
    return ResponseApdu{{}, sw};
}

}  // namespace

CIsoFileSystem::CIsoFileSystem() = default;

void CIsoFileSystem::SetFile(std::uint16_t fid, CByteArray content) {
    m_files[fid] = std::move(content);
}

std::optional<CByteArray> CIsoFileSystem::File(std::uint16_t fid) const {
    const auto found = m_files.find(fid);
    if (found == m_files.end()) {
        return std::nullopt;
    }
    return found->second;
}

void CIsoFileSystem::AddApplication(CByteArray aid, CByteArray fci) {
    const auto found = FindApplication(aid);
    if (found != m_applications.end()) {
        found->second = std::move(fci);
    } else {
        m_applications.emplace_back(std::move(aid), std::move(fci));
    }
}

std::vector<std::pair<CByteArray, CByteArray>>::iterator CIsoFileSystem::FindApplication(
    const CByteArray& aid) {
    return std::find_if(m_applications.begin(), m_applications.end(),
                        [&aid](const auto& application) { return application.first == aid; });
}

void CIsoFileSystem::SelectMasterFile() {
    m_currentFile.reset();
}

ResponseApdu CIsoFileSystem::Execute(const CommandApdu& command) {
    switch (command.ins) {
        case kInsSelect:
            return Select(command);
        case kInsReadBinary:
            return ReadBinary(command);
        case kInsUpdateBinary:
            return UpdateBinary(command);
        default:
            return Status(0x6D00);
    }
}

ResponseApdu CIsoFileSystem::Select(const CommandApdu& command) {
    ResponseApdu result;
    if (command.p1 == kSelectByName) {
        const auto found = FindApplication(command.data);
        if (found == m_applications.end()) {
            return Status(0x6A82);
        }
        m_currentFile.reset();
        result.data = found->second;
    } else if (command.p1 == 0x00) {
        if (command.data.size() != 2) {
            return Status(0x6700);
        }
        const std::uint16_t fid = static_cast<std::uint16_t>((command.data[0] << 8) | command.data[1]);
        if (fid == kMasterFile) {
            m_currentFile.reset();
            result.data = MasterFci();
        } else {
            const auto found = m_files.find(fid);
            if (found == m_files.end()) {
                return Status(0x6A82);
            }
            m_currentFile = fid;
            result.data = ElementaryFci(fid, found->second.size());
        }
    } else {
        return Status(0x6A86);
    }
    if (command.p2 == kNoFci) {
        result.data.clear();
    }
    return result;
}

ResponseApdu CIsoFileSystem::ReadBinary(const CommandApdu& command) const {
    if (!m_currentFile) {
        return Status(0x6986);
    }
    const CByteArray& content = m_files.at(*m_currentFile);
    const std::size_t offset = static_cast<std::size_t>(((command.p1 & 0x7F) << 8) | command.p2);
    if (offset > content.size()) {
        return Status(0x6B00);
    }
    const std::size_t wanted = command.le.value_or(0);
    const std::size_t count = std::min(wanted, content.size() - offset);
    ResponseApdu result;
    result.data.assign(content.begin() + static_cast<std::ptrdiff_t>(offset),
                       content.begin() + static_cast<std::ptrdiff_t>(offset + count));
    return result;
}

ResponseApdu CIsoFileSystem::UpdateBinary(const CommandApdu& command) {
    if (!m_currentFile) {
        return Status(0x6986);
    }
    CByteArray& content = m_files.at(*m_currentFile);
    const std::size_t offset = static_cast<std::size_t>(((command.p1 & 0x7F) << 8) | command.p2);
    if (offset + command.data.size() > content.size()) {
        return Status(0x6B00);
    }
    std::copy(command.data.begin(), command.data.end(),
              content.begin() + static_cast<std::ptrdiff_t>(offset));
    return Status(0x9000);
}

}  // namespace tessaly::lab
