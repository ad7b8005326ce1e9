// Reads sway's IPC replies with bounds; no xcb, so the fuzz build takes it.
#pragma once

// No xcb here: the reader is plain bytes, so the fuzz build compiles it without X11.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::x11 {

/// One answer on sway's IPC socket (the i3-ipc framing: "i3-ipc", a 32-bit
/// payload length, a 32-bit type, the payload), read as its bytes arrive.
/// Whatever the other end sends, the reader keeps at most the header and
/// kMaxPayload bytes, and refuses an answer that is not the one asked for.
class SwayReply {
public:
    static constexpr std::size_t kHeaderSize = 14;
    /// sway's longest answers (a big tree) stay far below this.
    static constexpr std::uint32_t kMaxPayload = 1U << 20U;

    enum class State { reading, done, refused };

    /// Expects the answer to a message of `type`.
    explicit SwayReply(std::uint32_t type) : type_(type) {}

    /// How many bytes to read next: never more than the rest of this answer,
    /// so what follows it stays on the socket. Zero once done or refused.
    [[nodiscard]] std::size_t wanted() const;
    /// Takes bytes as they came; returns how many belong to this answer.
    std::size_t take(std::string_view bytes);

    [[nodiscard]] State state() const { return state_; }
    /// The payload once done.
    [[nodiscard]] const std::string& payload() const { return payload_; }

private:
    void checkHeader();

    std::uint32_t type_;
    std::string header_;
    std::uint32_t length_ = 0;
    std::string payload_;
    State state_ = State::reading;
};

}  // namespace corvane::x11
