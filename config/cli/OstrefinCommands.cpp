#include "config/cli/OstrefinCommands.h"

#include <iostream>
#include <optional>

#include "cardaccess/ReaderList.h"
#include "common/cli/CommandLine.h"
#include "common/cli/JsonText.h"
#include "config/HostExchange.h"
#include "config/StationForm.h"
#include "platform/Socket.h"

namespace tessaly::tools {
namespace {

using cli::Json;
using cli::Latin1String;

void PrintJson(std::ostream& out, const Json& object) {
    out << cli::JsonText(object) << "\n";
}

// The options that stand for values changed in the dialog.
struct Edits {
    std::optional<std::string> ip;
    std::optional<std::uint32_t> port;
    std::optional<std::string> contact;
    std::optional<std::string> contactless;
    std::optional<std::string> external;
    bool json = false;
};

void AddAddressOptions(CLI::App& command, Edits& edits) {
    command.add_option("--ip", edits.ip, "The host-side server's address")
        ->check(cli::Ipv4Address())
        ->type_name("A.B.C.D");
    command.add_option("--port", edits.port, "The host-side server's port (1 to 32000)")
        ->check(cli::WholeNumber())
        ->type_name("N");
}

// Applies the edits to the form's fields. False, with the message, when a reader name matches no
// choice.
bool ApplyEdits(CStationForm& form, const Edits& edits, std::ostream& out) {
    StationFormFields& fields = form.Fields();
    if (edits.ip) {
        fields.ip = *edits.ip;
    }
    if (edits.port) {
        fields.port = *edits.port;
    }
    const std::pair<const std::optional<std::string>*, CString*> readers[] = {
        {&edits.contact, &fields.contactReader},
        {&edits.contactless, &fields.contactlessReader},
        {&edits.external, &fields.externalReader},
    };
    for (const auto& [given, field] : readers) {
        if (!*given) {
            continue;
        }
        const std::optional<CString> choice = form.ChooseReader(**given);
        if (!choice) {
            out << "No smart card reader begins with \"" << **given << "\".\n";
            return false;
        }
        *field = *choice;
    }
    return true;
}

// Prints an action's outcome: the message the dialog shows, or its JSON form.
int Report(std::ostream& out, bool json, const CString& message, bool success) {
    if (json) {
        PrintJson(out, Json{{"message", Latin1String(message)}, {"success", success}});
    } else {
        out << message << "\n";
    }
    return success ? 0 : 1;
}

// The reader field as shown: a configured reader that is not present is marked.
std::string ShownReader(const CStationForm& form, const CString& field) {
    const std::optional<CString> choice = form.ChooseReader(field);
    return choice && *choice == field ? field : field + " (not present)";
}

int Show(const CStationForm& form, bool json, std::ostream& out) {
    const StationFormFields& fields = form.Fields();
    if (json) {
        PrintJson(out, Json{{"ip", Latin1String(fields.ip)},
                            {"port", fields.port},
                            {"contact_reader", Latin1String(fields.contactReader)},
                            {"contactless_reader", Latin1String(fields.contactlessReader)},
                            {"external_reader", Latin1String(fields.externalReader)},
                            {"computer_name", Latin1String(form.ComputerName())},
                            {"registered_name", Latin1String(form.RegisteredName())},
                            {"registered", form.IsRegistered()},
                            {"registration_state", form.RegistrationState()}});
        return 0;
    }
    out << "IP:                                     " << fields.ip << "\n"
        << "Port:                                   " << fields.port << "\n"
        << "Internal Contact Smart Card Reader:     " << ShownReader(form, fields.contactReader) << "\n"
        << "Internal Contactless Smart Card Reader: " << ShownReader(form, fields.contactlessReader) << "\n"
        << "External Smart Card Reader:             " << ShownReader(form, fields.externalReader) << "\n"
        << "Computer name:                          " << form.ComputerName() << "\n"
        << "Registered name:                        " << form.RegisteredName() << "\n"
        << form.RegistrationState() << "\n";
    return 0;
}

int Readers(const CStationForm& form, bool json, std::ostream& out) {
    if (json) {
        Json choices = Json::array();
        for (const CString& choice : form.ReaderChoices()) {
            choices.push_back(Latin1String(choice));
        }
        PrintJson(out, Json{{"readers", choices}});
        return 0;
    }
    for (const CString& choice : form.ReaderChoices()) {
        out << choice << "\n";
    }
    return 0;
}

enum class Action { Show, Set, Check, Register, Readers };

int Run(Action action, const Edits& edits, const OstrefinHost& host, std::ostream& out) {
    CStationForm form(host.listReaders(), host.computerName());
    if (action == Action::Show) {
        return Show(form, edits.json, out);
    }
    if (action == Action::Readers) {
        return Readers(form, edits.json, out);
    }
    if (!ApplyEdits(form, edits, out)) {
        return 1;
    }
    if (const std::optional<CString> problem = form.CheckFields()) {
        return Report(out, edits.json, *problem, false);
    }
    const StationFormFields& fields = form.Fields();
    const auto port = static_cast<std::uint16_t>(fields.port);  // 1 to 32000 after the checks
    switch (action) {
        case Action::Set:
            (void)form.Save();
            return Report(out, edits.json, "Settings saved.", true);
        case Action::Check: {
            const HostExchangeOutcome outcome = CheckHostPresent(fields.ip, port);
            return Report(out, edits.json, outcome.message, outcome.success);
        }
        case Action::Register: {
            const HostExchangeOutcome outcome =
                RegisterComputer(fields.ip, port, form.ComputerName(), form.RegisteredName());
            return Report(out, edits.json, outcome.message, outcome.success);
        }
        default:
            return 1;
    }
}

}  // namespace

OstrefinHost LocalOstrefinHost() {
    return {[] {
                CStringArray names;
                (void)ListReaders(names);  // on a failure the lists hold "none" alone
                return names;
            },
            [] { return CString(platform::HostName()); }};
}

int RunOstrefin(const std::vector<std::string>& args, const OstrefinHost& host, std::ostream& out,
                std::ostream& err) {
    CLI::App app(
        "Configure Programming Station: the driver's settings, the host-side server check and "
        "this computer's registration.",
        "ostrefin");
    cli::Prepare(app);
    Edits edits;
    cli::Action chosen;

    const auto add = [&](const char* name, const char* help, Action which) {
        CLI::App* command = app.add_subcommand(name, help);
        command->add_flag("--json", edits.json, "Print one JSON object");
        cli::OnChosen(*command, chosen,
                      [&edits, &host, &out, which] { return Run(which, edits, host, out); });
        return command;
    };
    add("show", "Show the fields of the dialog", Action::Show);
    CLI::App* set = add("set", "Change settings, check them as the dialog does, and save", Action::Set);
    AddAddressOptions(*set, edits);
    set->add_option("--contact", edits.contact, "Contact programming-station reader (\"none\" to clear)");
    set->add_option("--contactless", edits.contactless,
                    "Contactless programming-station reader (\"none\" to clear)");
    set->add_option("--external", edits.external, "Dedicated key-station reader (\"none\" to clear)");
    AddAddressOptions(*add("check", "Check that the host-side server answers", Action::Check), edits);
    AddAddressOptions(*add("register", "Register this computer with the host-side server", Action::Register),
                      edits);
    add("readers", "List the reader choices", Action::Readers);

    return cli::Run(app, args, {std::cin, out, err}, chosen);
}

}  // namespace tessaly::tools
