#include "corvane/command_line/autostart.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace corvane::app {
namespace {

namespace fs = std::filesystem;

/// The Exec line's value with the key file's escapes undone.
std::string keyFileValue(const std::string& raw) {
    std::string value;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        const char next = raw[++i];
        value += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    return value;
}

/// The command a desktop runs at login for the entry's Exec line, no files
/// given: quoting undone, field codes expanded; nullopt where it would refuse the line.
std::optional<std::vector<std::string>> commandOf(const fs::path& entry) {
    std::ifstream in(entry);
    std::string exec;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("Exec=")) exec = keyFileValue(line.substr(5));
    }
    const std::string reserved = "\t\n\"'\\><~|&;$*?#()`";
    std::vector<std::string> argv;
    std::optional<std::string> argument;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (c == ' ') {
            if (argument) argv.push_back(*std::exchange(argument, std::nullopt));
        } else if (c == '"') {
            argument = argument.value_or("");
            for (++i; i < exec.size() && exec[i] != '"'; ++i) {
                if (exec[i] == '\\') {
                    if (++i == exec.size() || std::string("\"`$\\").find(exec[i]) == std::string::npos)
                        return {};
                }
                *argument += exec[i];
            }
            if (i == exec.size()) return std::nullopt;
        } else if (reserved.find(c) != std::string::npos) {
            return std::nullopt;
        } else {
            argument = argument.value_or("") + c;
        }
    }
    if (argument) argv.push_back(*argument);
    // Field codes: "%%" is a '%'; any other stands for files, of which there are none.
    for (auto& word : argv) {
        std::string expanded;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%') {
                expanded += word[i];
            } else if (++i < word.size() && word[i] == '%') {
                expanded += '%';
            }
        }
        word = expanded;
    }
    return argv;
}

class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "corvane-autostart-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
};

TEST_F(AutostartTest, TheEntryStartsTheProgramAtLoginWhateverItsPathHolds) {
    const auto entry = folder_ / "autostart" / "corvane.desktop";
    for (const std::string path : {"/usr/bin/corvane", "/opt/My Games/corvane", "/opt/50%f/corvane",
                                   "/opt/a\"b/corvane", "/opt/$HOME/corvane", "/opt/back\\slash/corvane",
                                   "/opt/`tick`/cor'vane", "/opt/tab\there/corvane"}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(setAutostart(true, entry, path).ok);
        EXPECT_EQ(commandOf(entry), std::vector<std::string>{path});
    }
}

TEST_F(AutostartTest, APathWithALineBreakIsRefusedAndNothingIsWritten) {
    const auto entry = folder_ / "corvane.desktop";
    const auto outcome = setAutostart(true, entry, "/opt/two\nlines/corvane");
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find("line break"), std::string::npos);
    EXPECT_FALSE(fs::exists(entry));
}

}  // namespace
}  // namespace corvane::app
