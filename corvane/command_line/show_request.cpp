#include "corvane/command_line/show_request.h"

namespace corvane::app {

ShowRequestReader::State ShowRequestReader::add(std::string_view bytes) {
    for (const char c : bytes) {
        if (state_ != State::waiting) break;
        if (c != kShowRequest[received_]) {
            state_ = State::refused;
            break;
        }
        if (++received_ == kShowRequest.size()) state_ = State::show;
    }
    return state_;
}

}  // namespace corvane::app
