// One serial-memory chip operation as a command carries it: operation code, a 16-bit parameter
// length, then the parameters. The base class is also the class of operations without parameters.
#pragma once

#include <cstdint>

#include "common/Types.h"
#include "protocol/BinaryString.h"
#include "protocol/FieldVisitor.h"

namespace tessaly {

class CSerialMemoryOperation {
public:
    CSerialMemoryOperation(std::uint32_t chipType, std::uint8_t operationCode, bool extended)
        : m_chipType(chipType), m_operationCode(operationCode), m_extended(extended ? 1U : 0U) {}
    CSerialMemoryOperation(const CSerialMemoryOperation&) = delete;
    CSerialMemoryOperation& operator=(const CSerialMemoryOperation&) = delete;
    virtual ~CSerialMemoryOperation() = default;

    // Parameter bytes as encoded, length prefixes included.
    virtual std::uint32_t GetParamLength() const { return 0; }
    // The 16-bit parameter length, then the parameters.
    virtual void WriteParams(COutBinaryString& out) const { out.AppendWord(0); }
    // Appends the operation's name.
    virtual void DescribeName(CStringArray& list) const;
    // Appends the parameters' label/value pairs.
    virtual void DescribeParams(CStringArray& /*list*/) const {}
    // The class name ("CSmOpReadMemory4418"), for tools and logs.
    virtual const char* ClassName() const { return "CSerialMemoryOperation"; }

    // The operation code, then WriteParams.
    void Write(COutBinaryString& out) const;
    // "Operation", the name, then the parameter pairs.
    void Describe(CStringArray& list) const;

    std::uint32_t GetChipType() const { return m_chipType; }
    std::uint8_t GetOperationCode() const { return m_operationCode; }
    bool IsExtended() const { return m_extended != 0; }

private:
    std::uint32_t m_chipType;
    std::uint8_t m_operationCode;
    std::uint32_t m_extended;
};

// The name of an operation without parameters: "Reset Card", "Eject Card" ... or "Unknown Operation".
const char* PlainOperationName(std::uint32_t chipType, std::uint32_t operationCode);

// The common part of every operation with parameters. Derived provides:
//   static constexpr const char* kClassName;   // "CSmOpReadMemory4418"
//   static constexpr const char* kName;        // "Read Memory" (or a Name() member)
//   template <class V> void Visit(V& v);       // the parameters, in wire order
// and calls ReadParams(body) in its constructor.
template <class Derived>
class CSmOpFields : public CSerialMemoryOperation {
public:
    std::uint32_t GetParamLength() const override {
        COutBinaryString out;
        VisitParams(out);
        return static_cast<std::uint32_t>(out.Size());
    }
    void WriteParams(COutBinaryString& out) const override {
        out.AppendWord(static_cast<std::uint16_t>(GetParamLength()));
        VisitParams(out);
    }
    void DescribeName(CStringArray& list) const override { list.emplace_back(Self().Name()); }
    void DescribeParams(CStringArray& list) const override {
        CStringArray pairs;
        CBodyDescriber describer(pairs);
        Mutable().Visit(describer);
        list.insert(list.end(), pairs.begin(), pairs.end());
    }
    const char* ClassName() const override { return Derived::kClassName; }

    const char* Name() const { return Derived::kName; }

protected:
    CSmOpFields(std::uint32_t chipType, std::uint8_t operationCode, bool extended)
        : CSerialMemoryOperation(chipType, operationCode, extended) {}

    void ReadParams(CInBinaryString& body) {
        CBodyReader reader(body);
        static_cast<Derived&>(*this).Visit(reader);
    }

private:
    void VisitParams(COutBinaryString& out) const {
        CBodyWriter writer(out);
        Mutable().Visit(writer);
    }
    const Derived& Self() const { return static_cast<const Derived&>(*this); }
    // Visit is shared with the reader, hence not const; writing and describing only read the fields.
    Derived& Mutable() const { return const_cast<Derived&>(Self()); }
};

}  // namespace tessaly
