// One serial-memory chip operation as a command carries it: operation code, a 16-bit parameter
// length, then the parameters. The base class is also the class of operations without parameters.
// CreateOperation (OperationFactory.h) makes them from the chip families' operation rows: it
// constructs the object, then reads its parameters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

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

    // Reads the parameters that follow the 16-bit parameter length. Missing bytes throw
    // CInBinaryStringException.
    virtual void ReadParams(CInBinaryString& /*body*/) {}
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

// The name of the operation that a chip type's row gives the code ("Read Memory", "Write Bytes 896",
// "Eject Card" ...), or "Unknown Operation".
const char* OperationName(std::uint32_t chipType, std::uint32_t operationCode);
// The same for operations without parameters only: "Unknown Operation" when the row's operation has
// parameters.
const char* PlainOperationName(std::uint32_t chipType, std::uint32_t operationCode);

// The common part of every operation with parameters. Derived provides:
//   static constexpr const char* kClassName;   // "CSmOpReadMemory4418"
//   template <class V> void Visit(V& v);       // the parameters, in wire order
// and takes the constructor with `using`.
template <class Derived>
class CSmOpFields : public CSerialMemoryOperation {
public:
    using CSerialMemoryOperation::CSerialMemoryOperation;

    void ReadParams(CInBinaryString& body) override {
        CBodyReader reader(body);
        Mutable().Visit(reader);
    }
    std::uint32_t GetParamLength() const override {
        COutBinaryString out;
        VisitParams(out);
        return static_cast<std::uint32_t>(out.Size());
    }
    void WriteParams(COutBinaryString& out) const override {
        out.AppendWord(static_cast<std::uint16_t>(GetParamLength()));
        VisitParams(out);
    }
    void DescribeName(CStringArray& list) const override {
        list.emplace_back(OperationName(GetChipType(), GetOperationCode()));
    }
    void DescribeParams(CStringArray& list) const override {
        CStringArray pairs;
        CBodyDescriber describer(pairs);
        Mutable().Visit(describer);
        list.insert(list.end(), pairs.begin(), pairs.end());
    }
    const char* ClassName() const override { return Derived::kClassName; }

private:
    void VisitParams(COutBinaryString& out) const {
        CBodyWriter writer(out);
        Mutable().Visit(writer);
    }
    // Visit is shared with the reader, hence not const; writing and describing only read the fields.
    Derived& Mutable() const { return const_cast<Derived&>(static_cast<const Derived&>(*this)); }
};

using OperationCreator = std::unique_ptr<CSerialMemoryOperation> (*)(std::uint32_t chipType,
                                                                     std::uint8_t operationCode,
                                                                     CInBinaryString& body, bool extended);

template <class T>
std::unique_ptr<CSerialMemoryOperation> MakeOperation(std::uint32_t chipType, std::uint8_t operationCode,
                                                      CInBinaryString& body, bool extended) {
    auto operation = std::make_unique<T>(chipType, operationCode, extended);
    operation->ReadParams(body);
    return operation;
}

// One operation code of a chip family: the class it makes, its name, and the name under which a
// result reports it (null: "Unknown Operation").
struct OperationRow {
    std::uint8_t code;
    OperationCreator create;
    const char* name;
    const char* resultName;
};

// An operation without parameters.
constexpr OperationRow Plain(std::uint8_t code, const char* name, const char* resultName = nullptr) {
    return {code, &MakeOperation<CSerialMemoryOperation>, name, resultName};
}

template <class T>
constexpr OperationRow With(std::uint8_t code, const char* name, const char* resultName = nullptr) {
    return {code, &MakeOperation<T>, name, resultName};
}

// `rows` without the row of `code` (which must be there).
template <std::size_t N>
constexpr std::array<OperationRow, N - 1> RowsWithout(const OperationRow (&rows)[N], std::uint8_t code) {
    std::array<OperationRow, N - 1> kept{};
    std::size_t at = 0;
    for (const OperationRow& row : rows) {
        if (row.code != code) {
            kept.at(at++) = row;
        }
    }
    return kept;
}

}  // namespace tessaly
