#include "platform/x11/desktop/sway_reply.h"

#include <cstring>

namespace corvane::x11 {

namespace {
constexpr std::string_view kMagic = "i3-ipc";
}  // namespace

std::size_t SwayReply::wanted() const {
    if (state_ != State::reading) return 0;
    if (header_.size() < kHeaderSize) return kHeaderSize - header_.size();
    return length_ - payload_.size();
}

std::size_t SwayReply::take(std::string_view bytes) {
    bytes = bytes.substr(0, wanted());
    if (header_.size() < kHeaderSize) {
        header_.append(bytes);  // wanted() ends at the header's end
        if (header_.size() == kHeaderSize) checkHeader();
    } else {
        payload_.append(bytes);
    }
    if (state_ == State::reading && header_.size() == kHeaderSize && payload_.size() == length_) {
        state_ = State::done;
    }
    return bytes.size();
}

void SwayReply::checkHeader() {
    std::uint32_t type = 0;
    std::memcpy(&length_, header_.data() + kMagic.size(), sizeof length_);
    std::memcpy(&type, header_.data() + kMagic.size() + sizeof length_, sizeof type);
    // Another program on the socket, an event, or a length no answer of sway's has.
    if (!header_.starts_with(kMagic) || type != type_ || length_ > kMaxPayload) {
        state_ = State::refused;
        length_ = 0;
        return;
    }
    payload_.reserve(length_);
}

}  // namespace corvane::x11
