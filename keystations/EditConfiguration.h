// The rules of the "Edit Configuration" dialog, without the dialog: the rows of the station list,
// the readers offered for a new row, the port proposed for it, and the checks of Add and Remove
// with their messages. The Windows dialog shows this state in its controls; the Linux program's
// `config` commands apply it to the registry's list.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "common/Types.h"
#include "keystations/StationConfiguration.h"

namespace tessaly {

struct EditRow {
    CString readerName;
    CString portText;  // the port as the list shows it ("%d")
};

class CEditConfiguration {
public:
    static constexpr int kMinPort = 1;
    static constexpr int kMaxPort = 30000;

    // The framework's messages for the port field, and the dialog's own.
    static constexpr const char* kNotAnInteger = "Please enter an integer.";
    static constexpr const char* kPortRange = "Please enter an integer between 1 and 30000.";
    static constexpr const char* kPortInUse = "Port %d is already in use.  Select another port";
    static constexpr const char* kSelectReader = "Please select a reader name";
    static constexpr const char* kSelectRow = "Please select the reader you would like to remove.";
    // Only a command line can name a reader the drop-down would not offer.
    static constexpr const char* kNotOffered =
        "\"%s\" is not one of the readers offered (PC/SC readers not yet used)";

    // One row per entry; the readers offered are `pcscReaders` that no row names exactly.
    CEditConfiguration(const std::vector<KeyStationEntry>& entries, const CStringArray& pcscReaders);

    const std::vector<EditRow>& Rows() const { return m_rows; }
    // Sorted, as the drop-down list shows them.
    const CStringArray& OfferedReaders() const { return m_offered; }
    // The highest port among the rows plus 1; 1 with no rows.
    int ProposedPort() const;
    // The selected row, or -1.
    int Selection() const { return m_selection; }
    void Select(int row);

    // Adds a row, or returns the message that refuses it. The port text is read as the dialog's
    // integer field reads it; the checks run in the dialog's order: port range, port in use,
    // reader chosen, then (command line only) reader offered.
    std::optional<CString> Add(const CString& readerName, const CString& portText);
    // Removes the selected row, or returns the message that refuses it. The reader is offered
    // again; the row at the same place (or the new last row) becomes selected.
    std::optional<CString> Remove();
    // "Save": the rows as the document's new entry list.
    std::vector<KeyStationEntry> Entries() const;

    // The port field's conversion: an optionally signed decimal integer with blanks around it.
    static std::optional<int> ParseInteger(const CString& text);

private:
    static int RowPort(const EditRow& row);
    void Offer(const CString& reader);
    void Withdraw(const CString& reader);

    std::vector<EditRow> m_rows;
    CStringArray m_offered;
    int m_selection = -1;
};

}  // namespace tessaly
