// The host's replies to device registration, naming and client authentication.
#pragma once

#include <cstdint>

#include "protocol/ObjCommResponse.h"

namespace tessaly {

// A reply whose whole body is one text; Derived provides kTextLabel.
template <class Derived>
class CDeviceTextReply : public CResponseFields<Derived> {
public:
    static constexpr int kSubCommand = -1;

    const CString& GetText() const { return m_text; }

    template <class V>
    void Visit(V& v) {
        v.Text(m_text, LengthPrefix::None, Derived::kTextLabel);
    }

protected:
    explicit CDeviceTextReply(bool extended) : CResponseFields<Derived>(extended) {}

private:
    CString m_text;
};

class CRspRegisterDevice final : public CDeviceTextReply<CRspRegisterDevice> {
public:
    static constexpr const char* kClassName = "CRspRegisterDevice";
    static constexpr std::uint32_t kCommand = 0x06;
    static constexpr const char* kDisplayName = " Retrieve Device Name";
    static constexpr const char* kTextLabel = "Device Registered";

    CRspRegisterDevice(CInBinaryString& body, bool extended) : CDeviceTextReply(extended) { ReadBody(body); }
};

class CRspRequestDeviceName final : public CDeviceTextReply<CRspRequestDeviceName> {
public:
    static constexpr const char* kClassName = "CRspRequestDeviceName";
    static constexpr std::uint32_t kCommand = 0x07;
    static constexpr const char* kDisplayName = " Retrieve Device Name";
    static constexpr const char* kTextLabel = "Device Name";

    CRspRequestDeviceName(CInBinaryString& body, bool extended) : CDeviceTextReply(extended) {
        ReadBody(body);
    }

    const CString& GetDeviceName() const { return GetText(); }
};

class CRspSetDeviceName final : public CDeviceTextReply<CRspSetDeviceName> {
public:
    static constexpr const char* kClassName = "CRspSetDeviceName";
    static constexpr std::uint32_t kCommand = 0x09;
    static constexpr const char* kDisplayName = " Set Device Name";
    static constexpr const char* kTextLabel = "Device Name";

    CRspSetDeviceName(CInBinaryString& body, bool extended) : CDeviceTextReply(extended) { ReadBody(body); }

    const CString& GetDeviceName() const { return GetText(); }
};

class CRspAuthenticateClient final : public CResponseFields<CRspAuthenticateClient> {
public:
    static constexpr const char* kClassName = "CRspAuthenticateClient";
    static constexpr std::uint32_t kCommand = 0x08;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Authenticate Client Response";

    CRspAuthenticateClient(CInBinaryString& body, bool extended) : CResponseFields(extended) {
        ReadBody(body);
    }

    const CByteArray& GetToken() const { return m_token; }

    template <class V>
    void Visit(V& v) {
        v.Bytes(m_token, LengthPrefix::OneByte, "Token", describe::HexData{});
    }

private:
    CByteArray m_token;
};

}  // namespace tessaly
