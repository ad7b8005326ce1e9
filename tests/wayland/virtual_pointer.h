#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace corvane::wltest {

/// A pointer device made through wlroots' virtual-pointer protocol, spoken on
/// the Wayland wire itself. A headless sway has no input device, so its seat
/// offers no pointer and its XWayland has none to take events from: a click
/// played with the seat's commands reaches no X window until this exists. The
/// device lasts as long as the object.
class VirtualPointer {
public:
    /// Connects to the compositor's socket and makes the device; throws
    /// std::runtime_error when the compositor does not offer the protocol.
    explicit VirtualPointer(const std::filesystem::path& socket);
    VirtualPointer(const VirtualPointer&) = delete;
    VirtualPointer& operator=(const VirtualPointer&) = delete;
    ~VirtualPointer();

private:
    struct Message {
        std::uint32_t object = 0;
        std::uint16_t opcode = 0;
        std::vector<std::uint32_t> words;
    };
    void send(std::uint32_t object, std::uint16_t opcode, const std::vector<std::uint32_t>& words) const;
    /// Reads messages until the callback `callback` is done; throws on a protocol error.
    std::vector<Message> roundTrip(std::uint32_t callback);

    int socket_ = -1;
    std::string unread_;
};

}  // namespace corvane::wltest
