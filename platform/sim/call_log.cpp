#include "platform/sim/call_log.h"

namespace corvane::sim {

std::vector<std::string> CallLog::matching(std::initializer_list<std::string_view> prefixes) const {
    std::vector<std::string> out;
    for (const auto& entry : entries_) {
        for (auto prefix : prefixes) {
            if (std::string_view(entry).starts_with(prefix)) {
                out.push_back(entry);
                break;
            }
        }
    }
    return out;
}

int CallLog::count(std::string_view prefix) const {
    int n = 0;
    for (const auto& entry : entries_) {
        if (std::string_view(entry).starts_with(prefix)) ++n;
    }
    return n;
}

int CallLog::indexOf(std::string_view entry, int from) const {
    for (auto i = static_cast<std::size_t>(std::max(from, 0)); i < entries_.size(); ++i) {
        if (entries_[i] == entry) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace corvane::sim
