#include "tests/tools/Transcript.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

namespace tessaly::test {
namespace {

struct Command {
    int line = 0;
    std::string words;
    std::string in;
    std::string out;
    std::string err;
    int exit = 0;
};

std::string Replaced(std::string text, const Values& values) {
    for (const auto& [name, value] : values) {
        const std::string key = "{" + name + "}";
        for (std::size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size())) {
            text.replace(at, key.size(), value);
        }
    }
    return text;
}

void Run(const Command& command, const Program& program, const Values& values, const std::string& file) {
    SCOPED_TRACE(file + ":" + std::to_string(command.line) + ": " + command.words);
    std::istringstream in(Replaced(command.in, values));
    std::ostringstream out;
    std::ostringstream err;
    const int status = program(SplitWords(Replaced(command.words, values)), {in, out, err});
    EXPECT_EQ(out.str(), Replaced(command.out, values));
    EXPECT_EQ(err.str(), Replaced(command.err, values));
    EXPECT_EQ(status, command.exit);
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool started = false;
    for (const char c : text) {
        if (c == '"') {
            quoted = !quoted;
            started = true;
        } else if (c == ' ' && !quoted) {
            if (started) {
                words.push_back(word);
            }
            word.clear();
            started = false;
        } else {
            word.push_back(c);
            started = true;
        }
    }
    if (started) {
        words.push_back(word);
    }
    return words;
}

void RunTranscript(const std::filesystem::path& file, const Program& program, Values values,
                   const Setting& setting) {
    std::ifstream stream(file, std::ios::binary);
    ASSERT_TRUE(stream) << "cannot read " << file;
    const std::string name = file.filename().string();
    std::optional<Command> pending;
    int number = 0;
    const auto flush = [&] {
        if (pending) {
            Run(*pending, program, values, name);
            pending.reset();
        }
    };
    for (std::string line; std::getline(stream, line);) {
        ++number;
        const char kind = line.empty() ? '#' : line[0];
        const std::string text = line.size() > 2 ? line.substr(2) : std::string();
        if (kind == '$' || kind == '@') {
            flush();
        }
        if (kind == '$') {
            pending.emplace();
            pending->line = number;
            pending->words = text;
        } else if (kind == '@') {
            setting(SplitWords(Replaced(text, values)), values);
        } else if (kind != '#') {
            ASSERT_TRUE(pending) << name << ":" << number << ": no command before this line";
            if (kind == '<' || kind == '>' || kind == '!') {
                (kind == '<' ? pending->in : kind == '>' ? pending->out : pending->err) += text + "\n";
            } else {
                ASSERT_EQ(kind, '=') << name << ":" << number;
                pending->exit = std::stoi(text);
            }
        }
    }
    flush();
}

}  // namespace tessaly::test
