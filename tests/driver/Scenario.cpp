#include "tests/driver/Scenario.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace tessaly::test {
namespace {

const std::set<std::string> kChecks = {"result", "status", "audit",    "device_name", "box",   "dialog",
                                       "log",    "nolog",  "registry", "card",        "events"};
// Directives whose last word runs to the end of the line.
const std::set<std::string> kTexts = {"box", "dialog", "log", "nolog", "file", "operator", "registry"};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    return words;
}

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'r')) {
            out.push_back(text[++i] == 'n' ? '\n' : '\r');
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// "KEY first rest of the line" for directives that end in text: the key, then the words before the
// text, then the text.
std::vector<std::string> Split(const std::string& key, const std::string& rest) {
    if (kTexts.count(key) == 0) {
        return Words(rest);
    }
    const std::size_t heads = (key == "log" || key == "file" || key == "registry") ? 1 : 0;
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t i = 0; i < heads; ++i) {
        const std::size_t end = rest.find(' ', at);
        parts.push_back(rest.substr(at, end - at));
        at = end == std::string::npos ? rest.size() : end + 1;
    }
    const bool lineEnds = key == "file" || key == "box" || key == "dialog";
    parts.push_back(lineEnds ? Unescape(rest.substr(at)) : rest.substr(at));
    return parts;
}

}  // namespace

Scenario ReadScenario(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    Scenario scenario;
    scenario.name = file.stem().string();
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        scenario.script += line + "\n";
        if (line.rfind("#@ ", 0) != 0) {
            continue;
        }
        const std::string body = line.substr(3);
        const std::size_t space = body.find(' ');
        const std::string key = body.substr(0, space);
        const std::vector<std::string> parts =
            Split(key, space == std::string::npos ? "" : body.substr(space + 1));
        if (key == "settings") {
            for (const std::string& word : parts) {
                const std::size_t equals = word.find('=');
                scenario.settings.emplace_back(word.substr(0, equals),
                                               equals == std::string::npos ? "" : word.substr(equals + 1));
            }
        } else if (key == "file" && parts.size() == 2) {
            scenario.files.emplace_back(parts[0], parts[1]);
        } else if (key == "answer" && parts.size() == 3) {
            scenario.answers.push_back(parts);
        } else if (key == "host" && parts.size() == 1) {
            scenario.host = parts[0];
        } else if (key == "host-fails") {
            scenario.hostFails = true;
        } else if (key == "operator") {
            scenario.operatorAnswers = parts[0];
            scenario.operatorGiven = true;
        } else if (key == "call") {
            scenario.call = parts;
        } else if (kChecks.count(key) != 0) {
            scenario.checks.push_back({key, parts});
        } else {
            throw std::runtime_error(file.string() + ":" + std::to_string(number) + ": unknown directive " +
                                     key);
        }
    }
    return scenario;
}

std::vector<std::filesystem::path> ScenarioFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".host") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace tessaly::test
