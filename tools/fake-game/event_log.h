#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace fake_game {

/// A line-per-event log that a test can read while the game runs: every line
/// is flushed as soon as it is written. Without a path it writes nothing.
class EventLog {
public:
    explicit EventLog(const std::string& path);
    [[nodiscard]] bool failed() const { return failed_; }
    void line(std::string_view text);

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
    bool failed_ = false;
};

}  // namespace fake_game
