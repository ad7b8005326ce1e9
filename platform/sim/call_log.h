#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

/// Every platform call the simulated desktop received, in order, one line each
/// ("setPosition w3 1037,25"). Tests check order and count through it.
class CallLog {
public:
    void record(std::string entry) { entries_.push_back(std::move(entry)); }
    void clear() { entries_.clear(); }
    [[nodiscard]] const std::vector<std::string>& entries() const { return entries_; }
    /// The entries whose text starts with one of `prefixes`, in order.
    [[nodiscard]] std::vector<std::string> matching(std::initializer_list<std::string_view> prefixes) const;
    /// How many entries start with `prefix`.
    [[nodiscard]] int count(std::string_view prefix) const;
    /// Position of the first entry equal to `entry` at or after `from`; -1 if none.
    [[nodiscard]] int indexOf(std::string_view entry, int from = 0) const;

private:
    std::vector<std::string> entries_;
};

}  // namespace corvane::sim
