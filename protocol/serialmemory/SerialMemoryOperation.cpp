#include "protocol/serialmemory/SerialMemoryOperation.h"

namespace tessaly {

void CSerialMemoryOperation::DescribeName(CStringArray& list) const {
    list.emplace_back(PlainOperationName(m_chipType, m_operationCode));
}

void CSerialMemoryOperation::Write(COutBinaryString& out) const {
    out.AppendByte(m_operationCode);
    WriteParams(out);
}

void CSerialMemoryOperation::Describe(CStringArray& list) const {
    list.emplace_back("Operation");
    DescribeName(list);
    DescribeParams(list);
}

}  // namespace tessaly
