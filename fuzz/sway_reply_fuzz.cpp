// An answer on sway's socket as any program there may send it, in one piece
// and a byte at a time: both ways must agree, nothing past the answer may be
// taken, and a taken payload is exactly what its header announced, within the cap.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/x11/desktop/sway_reply.h"

namespace {

using corvane::x11::SwayReply;

void require(bool condition) {
    if (!condition) std::abort();
}

/// Feeds `input` in pieces of at most `piece` bytes; returns how many bytes the reply took.
std::size_t feed(SwayReply& reply, std::string_view input, std::size_t piece) {
    std::size_t taken = 0;
    while (reply.state() == SwayReply::State::reading && taken < input.size()) {
        require(reply.wanted() > 0 && reply.wanted() <= SwayReply::kMaxPayload);
        const std::size_t used = reply.take(input.substr(taken, piece));
        require(used > 0 && used <= piece);
        taken += used;
    }
    if (reply.state() != SwayReply::State::reading) require(reply.wanted() == 0);
    return taken;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The type the program expects is the input's last byte: 0, the command's, most often.
    const std::uint32_t type = size > 0 && (data[size - 1] & 1U) != 0 ? data[size - 1] : 0;

    SwayReply whole(type);
    const std::size_t wholeTaken = feed(whole, input, input.size() + 1);
    SwayReply trickled(type);
    const std::size_t trickledTaken = feed(trickled, input, 1);

    require(whole.state() == trickled.state() && wholeTaken == trickledTaken);
    require(whole.payload() == trickled.payload());
    switch (whole.state()) {
        case SwayReply::State::reading:
            require(wholeTaken == size);
            break;
        case SwayReply::State::refused:
            require(wholeTaken == SwayReply::kHeaderSize);
            break;
        case SwayReply::State::done: {
            std::uint32_t length = 0;
            std::uint32_t announced = 0;
            std::memcpy(&length, data + 6, sizeof length);
            std::memcpy(&announced, data + 10, sizeof announced);
            require(input.starts_with("i3-ipc") && announced == type && length <= SwayReply::kMaxPayload);
            require(wholeTaken == SwayReply::kHeaderSize + length);
            require(whole.payload() == input.substr(SwayReply::kHeaderSize, length));
            break;
        }
    }
    return 0;
}
