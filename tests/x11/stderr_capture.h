#pragma once

#include <filesystem>
#include <string>

namespace corvane::x11test {

/// Sends this process's standard error to a file while it lives, so a test
/// can check that the program said nothing.
class StderrCapture {
public:
    explicit StderrCapture(std::filesystem::path file);
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    ~StderrCapture();

    /// Stops capturing (if still on) and returns what was written.
    std::string finish();

private:
    std::filesystem::path file_;
    int saved_ = -1;
};

}  // namespace corvane::x11test
