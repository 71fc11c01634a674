#include "protocol/outgoing/RegistrationMessages.h"

namespace tessaly {

CMsgRegisterDevice::CMsgRegisterDevice(CString deviceName, CByteArray moduleSequenceNumbers,
                                       bool overwriteAllowed, bool extended)
    : CMessageFields(extended),
      m_mode(overwriteAllowed ? kOverwriteAllowed : kOverwriteNotAllowed),
      m_deviceName(layout::Clip(std::move(deviceName), LengthPrefix::OneByte)),
      m_moduleSequenceNumbers(layout::Clip(std::move(moduleSequenceNumbers), LengthPrefix::OneByte)) {}

CMsgRegisterDevice::CMsgRegisterDevice(CString deviceName, CByteArray moduleSequenceNumbers,
                                       CString oldDeviceName, bool extended)
    : CMessageFields(extended),
      m_mode(kOverwriteByName),
      m_oldDeviceName(layout::Clip(std::move(oldDeviceName), LengthPrefix::OneByte)),
      m_deviceName(layout::Clip(std::move(deviceName), LengthPrefix::OneByte)),
      m_moduleSequenceNumbers(layout::Clip(std::move(moduleSequenceNumbers), LengthPrefix::OneByte)) {}

}  // namespace tessaly
