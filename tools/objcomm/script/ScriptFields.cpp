#include "tools/objcomm/script/ScriptFields.h"

#include "common/Format.h"
#include "common/TextEncoding.h"
#include "tools/objcomm/script/ScriptTokens.h"

namespace tessaly::tools {
namespace {

std::string FormatMax(std::uint64_t max) {
    return FormatText("%llX", static_cast<unsigned long long>(max));
}

}  // namespace

CFieldSet::CFieldSet(const std::vector<NamedField>& fields) : m_fields(fields), m_used(fields.size(), false) {
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (SameWord(m_fields[i].name, m_fields[j].name)) {
                Fail("field " + m_fields[i].name + " is given twice");
            }
        }
    }
}

bool CFieldSet::Has(const char* name) const {
    for (const NamedField& field : m_fields) {
        if (SameWord(field.name, name)) {
            return true;
        }
    }
    return false;
}

const NamedField* CFieldSet::Find(const char* name) {
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (SameWord(m_fields[i].name, name)) {
            m_used[i] = true;
            return &m_fields[i];
        }
    }
    return nullptr;
}

const std::string* CFieldSet::Single(const NamedField& field) {
    if (field.values.size() != 1) {
        Fail(field.name + " takes one value, not " + std::to_string(field.values.size()) + " words");
        return nullptr;
    }
    return &field.values.front();
}

void CFieldSet::Fail(std::string message) {
    if (m_error.empty()) {
        m_error = std::move(message);
    }
}

std::uint64_t CFieldSet::Code(const char* name, std::uint64_t max, std::optional<std::uint64_t> fallback) {
    return Named(name, {}, max, fallback);
}

std::uint64_t CFieldSet::Named(const char* name, std::span<const CodeText> names, std::uint64_t max,
                               std::optional<std::uint64_t> fallback) {
    const NamedField* field = Find(name);
    if (field == nullptr) {
        if (!fallback) {
            Fail(std::string("field ") + name + "= is missing");
        }
        return fallback.value_or(0);
    }
    const std::string* text = Single(*field);
    if (text == nullptr) {
        return fallback.value_or(0);
    }
    for (const CodeText& entry : names) {
        if (SameWord(*text, entry.text)) {
            return entry.code;
        }
    }
    const std::optional<std::uint64_t> value = ParseCode(*text, max);
    if (!value) {
        Fail(std::string(name) + "=" + *text + " is not a hexadecimal code up to " + FormatMax(max));
        return fallback.value_or(0);
    }
    return *value;
}

std::uint64_t CFieldSet::Number(const char* name, std::uint64_t max, std::optional<std::uint64_t> fallback) {
    const NamedField* field = Find(name);
    if (field == nullptr) {
        if (!fallback) {
            Fail(std::string("field ") + name + "= is missing");
        }
        return fallback.value_or(0);
    }
    const std::string* text = Single(*field);
    if (text == nullptr) {
        return fallback.value_or(0);
    }
    const std::optional<std::uint64_t> value = ParseNumber(*text, max);
    if (!value) {
        Fail(std::string(name) + "=" + *text + " is not a number from 0 to " + std::to_string(max));
        return fallback.value_or(0);
    }
    return *value;
}

CByteArray CFieldSet::Bytes(const char* name, std::size_t maxLength,
                            const std::optional<CByteArray>& fallback) {
    const NamedField* field = Find(name);
    if (field == nullptr) {
        if (!fallback) {
            Fail(std::string("field ") + name + "= is missing");
        }
        return fallback.value_or(CByteArray{});
    }
    std::string joined;
    for (const std::string& word : field->values) {
        joined += word;
        joined += ' ';
    }
    CByteArray bytes;
    if (!ParseHex(joined, bytes)) {
        Fail(std::string(name) + "= is not hexadecimal (pairs of digits)");
        return fallback.value_or(CByteArray{});
    }
    if (bytes.size() > maxLength) {
        Fail(std::string(name) + "= holds " + std::to_string(bytes.size()) +
             " bytes; its length field counts at most " + std::to_string(maxLength));
        return fallback.value_or(CByteArray{});
    }
    return bytes;
}

std::string CFieldSet::Text(const char* name, const std::optional<std::string>& fallback) {
    const NamedField* field = Find(name);
    if (field == nullptr) {
        if (!fallback) {
            Fail(std::string("field ") + name + "= is missing");
        }
        return fallback.value_or(std::string());
    }
    const std::string* text = Single(*field);
    return text != nullptr ? *text : fallback.value_or(std::string());
}

void CFieldSet::Forbid(const char* name, const char* reason) {
    if (Find(name) != nullptr) {
        Fail(std::string(name) + "= " + reason);
    }
}

bool CFieldSet::Finish(std::string& error) const {
    if (!m_error.empty()) {
        error = m_error;
        return false;
    }
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (!m_used[i]) {
            error = "unknown field " + m_fields[i].name + "=";
            return false;
        }
    }
    return true;
}

}  // namespace tessaly::tools
