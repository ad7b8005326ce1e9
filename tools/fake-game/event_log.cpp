#include "event_log.h"

namespace fake_game {

EventLog::EventLog(const std::string& path) {
    if (path.empty()) return;
    file_.reset(std::fopen(path.c_str(), "a"));
    failed_ = !file_;
}

void EventLog::line(std::string_view text) {
    if (!file_) return;
    std::fwrite(text.data(), 1, text.size(), file_.get());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
}

}  // namespace fake_game
