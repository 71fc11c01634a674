// The two protocol-level replies that travel outside pass-through: health check and error.
#pragma once

#include <cstdint>

#include "common/ValueTable.h"
#include "protocol/ObjCommResponse.h"

namespace tessaly {

class CRspHealthCheck final : public CResponseFields<CRspHealthCheck> {
public:
    static constexpr const char* kClassName = "CRspHealthCheck";
    static constexpr std::uint32_t kCommand = 0x99;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Health Request Acknowledge";

    CRspHealthCheck(CInBinaryString& body, bool extended, bool longForm)
        : CResponseFields(extended), m_longForm(longForm) {
        ReadBody(body);
    }

    bool UsesLongForm() const override { return m_longForm; }

    template <class V>
    void Visit(V& /*v*/) {}

private:
    bool m_longForm;
};

inline constexpr CodeText kErrorReplyCodes[] = {
    {0x09, "Data Not Found"}, {0x91, "Bad CheckSum"}, {0x92, "Data Expired"},       {0x93, "UnKnown Command"},
    {0x94, "Invalid Field"},  {0x95, "Invalid Date"}, {0x96, "Data Already Exist"},
};

class CRspError final : public CResponseFields<CRspError> {
public:
    static constexpr const char* kClassName = "CRspError";
    static constexpr std::uint32_t kCommand = 0xFF;
    static constexpr int kSubCommand = -1;
    static constexpr const char* kDisplayName = "Resend Data";

    CRspError(CInBinaryString& body, bool extended, bool longForm)
        : CResponseFields(extended), m_longForm(longForm) {
        ReadBody(body);
    }

    bool UsesLongForm() const override { return m_longForm; }
    std::uint32_t GetErrorCode() const { return m_errorCode; }

    template <class V>
    void Visit(V& v) {
        v.U8(m_errorCode, "Error Code", describe::Table{kErrorReplyCodes, "Unknown Value"});
    }

private:
    bool m_longForm;
    std::uint32_t m_errorCode = 0;
};

}  // namespace tessaly
