#include "keystations/cli/ConfigCommand.h"

#include <signal.h>

#include <algorithm>
#include <iostream>

#include "cardaccess/ReaderErrors.h"
#include "cardaccess/ReaderList.h"
#include "common/Format.h"
#include "keystations/EditConfiguration.h"
#include "keystations/StationConfiguration.h"
#include "keystations/cli/PidFile.h"
#include "platform/RegistryStore.h"

namespace tessaly::tools {
namespace {

constexpr const char* kRestartQuestion = "Configuration has changed - restart key servers?";

// The list with the readers a new row may take (none are needed to remove one).
CEditConfiguration OpenEditor(bool offerReaders) {
    CStringArray readers;
    const std::uint32_t result = offerReaders ? ListReaders(readers) : 0;
    if (result != 0) {
        std::cerr << "PC/SC readers could not be listed: " << ReaderErrorText(result) << "\n";
    }
    return CEditConfiguration(LoadConfiguration(kBrantwickKey), readers);
}

int SaveAndRestart(const CEditConfiguration& editor, bool restart) {
    if (!SaveConfiguration(kBrantwickKey, editor.Entries())) {
        std::cerr << "The key station list could not be written to " << platform::CRegistryStore::Location()
                  << ".\n";
        return 1;
    }
    const CString pidPath = PidFilePath();
    const std::optional<pid_t> running = RunningBrantwick(pidPath);
    if (!running) {
        std::cout << "Saved. brantwick is not running; the list applies when it starts.\n";
        return 0;
    }
    if (!restart) {
        std::cout << "Saved. " << kRestartQuestion << " Not restarted: give --restart, or send SIGHUP to PID "
                  << *running << ".\n";
        return 0;
    }
    if (kill(*running, SIGHUP) != 0) {
        std::cerr << "Saved, but brantwick (PID " << *running << ") could not be told to restart.\n";
        return 1;
    }
    std::cout << "Saved; the key stations of brantwick (PID " << *running << ") restart.\n";
    return 0;
}

}  // namespace

int ConfigList() {
    const CEditConfiguration editor = OpenEditor(true);
    const std::vector<EditRow>& rows = editor.Rows();
    if (rows.empty()) {
        std::cout << "No key stations are configured.\n";
    } else {
        const CString readerHeading = "PC/SC Reader";
        std::size_t width = readerHeading.size();
        for (const EditRow& row : rows) {
            width = std::max(width, row.readerName.size());
        }
        std::cout << "Index  " << readerHeading << CString(width - readerHeading.size(), ' ') << "  Port\n";
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const CString& name = rows[i].readerName;
            std::cout << FormatText("%-5u  ", static_cast<unsigned>(i)) << name
                      << CString(width - name.size(), ' ') << "  " << rows[i].portText << "\n";
        }
    }
    // What the dialog would offer for a new station.
    std::cout << "Proposed port: " << editor.ProposedPort() << "\n";
    std::cout << "Readers offered:" << (editor.OfferedReaders().empty() ? " none\n" : "\n");
    for (const CString& reader : editor.OfferedReaders()) {
        std::cout << "  " << reader << "\n";
    }
    return 0;
}

int ConfigAdd(const CString& reader, const CString& port, bool restart) {
    CEditConfiguration editor = OpenEditor(true);
    if (const std::optional<CString> refusal = editor.Add(reader, port)) {
        std::cerr << *refusal << "\n";
        return 1;
    }
    return SaveAndRestart(editor, restart);
}

int ConfigRemove(const CString& index, bool restart) {
    CEditConfiguration editor = OpenEditor(false);
    const std::optional<int> row = CEditConfiguration::ParseInteger(index);
    editor.Select(row.value_or(-1));
    if (const std::optional<CString> refusal = editor.Remove()) {
        std::cerr << *refusal << "\n";
        return 1;
    }
    return SaveAndRestart(editor, restart);
}

}  // namespace tessaly::tools
