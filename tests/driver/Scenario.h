// A driver scenario: one data file holding the host script (played by objcomm host) and, on lines
// starting "#@", what the test sets up and expects. The host reads those lines as comments.
//
//   #@ settings NAME=VALUE ...   driver settings; {alias} names a lab reader or the scenario folder
//   #@ file NAME TEXT            a file in the scenario folder
//   #@ answer CARD PREFIX ANSWER a programmed answer of a lab card (hex)
//   #@ host closed|unused        no host: the port refuses, or is listened on and must stay unused
//   #@ host-fails                objcomm host must report a mismatch
//   #@ operator ANSWERS          quorlin-host --operator
//   #@ call ARGUMENTS...         the quorlin-host command
//   #@ result|status|audit|device_name V...   one value per call report that has the key (null: not written)
//   #@ box TEXT                  the next message box of the run
//   #@ dialog TEXT               the next dialog ("caption | message")
//   #@ log M|E TEXT              the next expected log record of that kind and text, after the one before
//                                (a TEXT ending in '*' matches the records that start with the rest)
//   #@ nolog TEXT                no log record holds TEXT
//   #@ registry NAME VALUE       a driver setting afterwards (dword:N for numbers)
//   #@ card CARD HEX...          every command the card received, in order ("none": nothing)
//   #@ events CARD KIND...       the card's power events in order (off, on, reset)
// In the TEXT of file, box and dialog \n and \r stand for line ends; log texts are as the log has them.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::test {

struct ScenarioCheck {
    std::string key;
    std::vector<std::string> values;
};

struct Scenario {
    std::string name;
    std::string script;  // the whole file, for the host
    std::vector<std::pair<std::string, std::string>> settings;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::vector<std::string>> answers;  // card, prefix, answer
    std::string host;                               // "", "closed" or "unused"
    bool hostFails = false;
    std::string operatorAnswers;
    bool operatorGiven = false;
    std::vector<std::string> call;
    std::vector<ScenarioCheck> checks;  // everything else, in file order
};

// Throws std::runtime_error naming the file and line of a directive it does not know.
Scenario ReadScenario(const std::filesystem::path& file);

// The scenario files of a folder, sorted by name.
std::vector<std::filesystem::path> ScenarioFiles(const std::filesystem::path& folder);

}  // namespace tessaly::test
