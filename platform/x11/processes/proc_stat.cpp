#include "platform/x11/processes/proc_stat.h"

#include <unistd.h>

#include <charconv>
#include <fstream>
#include <sstream>
#include <string>

namespace corvane::x11 {

namespace {

/// Index of the start time among the fields after the command name: field 22
/// counted from 1, where the first field after the name is field 3.
constexpr int kStartTimeIndex = 22 - 3;

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) return std::nullopt;
    return contents.str();
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

/// The next blank-separated word of `text` from `position`, which moves past it.
std::string_view nextWord(std::string_view text, std::size_t& position) {
    const std::size_t start = text.find_first_not_of(" \t\n", position);
    if (start == std::string_view::npos) {
        position = text.size();
        return {};
    }
    const std::size_t end = std::min(text.find_first_of(" \t\n", start), text.size());
    position = end;
    return text.substr(start, end - start);
}

}  // namespace

std::optional<std::uint64_t> startTimeTicks(std::string_view statLine) {
    const std::size_t nameEnd = statLine.rfind(')');
    if (nameEnd == std::string_view::npos) return std::nullopt;
    std::size_t position = nameEnd + 1;
    std::string_view word;
    for (int index = 0; index <= kStartTimeIndex; ++index) {
        word = nextWord(statLine, position);
        if (word.empty()) return std::nullopt;
    }
    return parseNumber<std::uint64_t>(word);
}

std::optional<std::int64_t> bootTimeSeconds(std::string_view procStat) {
    std::size_t lineStart = 0;
    while (lineStart < procStat.size()) {
        const std::size_t lineEnd = std::min(procStat.find('\n', lineStart), procStat.size());
        const std::string_view line = procStat.substr(lineStart, lineEnd - lineStart);
        std::size_t position = 0;
        if (nextWord(line, position) == "btime") {
            return parseNumber<std::int64_t>(nextWord(line, position));
        }
        lineStart = lineEnd + 1;
    }
    return std::nullopt;
}

std::vector<std::string> nulSeparated(std::string_view contents) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start < contents.size()) {
        const std::size_t end = std::min(contents.find('\0', start), contents.size());
        items.emplace_back(contents.substr(start, end - start));
        start = end + 1;
    }
    return items;
}

ProcStat::ProcStat() : root_("/proc"), ticksPerSecond_(::sysconf(_SC_CLK_TCK)) {}

std::optional<platform::Date> ProcStat::launchDate(platform::Pid pid) {
    if (!bootTime_) {
        if (const auto stat = readFile(root_ / "stat")) bootTime_ = bootTimeSeconds(*stat);
    }
    if (!bootTime_ || ticksPerSecond_ <= 0) return std::nullopt;
    const auto line = readFile(processPath(pid) / "stat");
    if (!line) return std::nullopt;
    const auto ticks = startTimeTicks(*line);
    if (!ticks) return std::nullopt;
    return platform::Date{static_cast<double>(*bootTime_) +
                          static_cast<double>(*ticks) / static_cast<double>(ticksPerSecond_)};
}

bool ProcStat::running(platform::Pid pid) const {
    std::error_code error;
    return std::filesystem::exists(processPath(pid), error);
}

std::filesystem::path ProcStat::processPath(platform::Pid pid) const {
    return root_ / std::to_string(pid);
}

std::string ProcStat::commandName(platform::Pid pid) const {
    std::string name = readFile(processPath(pid) / "comm").value_or("");
    if (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
}

std::vector<std::string> ProcStat::arguments(platform::Pid pid) const {
    return nulSeparated(readFile(processPath(pid) / "cmdline").value_or(""));
}

std::optional<std::string> ProcStat::environmentVariable(platform::Pid pid, std::string_view name) const {
    const auto environment = readFile(processPath(pid) / "environ");
    if (!environment) return std::nullopt;
    for (const auto& entry : nulSeparated(*environment)) {
        if (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == '=') {
            return entry.substr(name.size() + 1);
        }
    }
    return std::nullopt;
}

}  // namespace corvane::x11
