#include "virtual_pointer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace corvane::wltest {
namespace {

// The server takes a client's new objects only in the order of their ids.
constexpr std::uint32_t kDisplay = 1;   // wl_display: sync 0, get_registry 1; events error 0
constexpr std::uint32_t kRegistry = 2;  // wl_registry: bind 0; events global 0
constexpr std::uint32_t kFirstSync = 3;
constexpr std::uint32_t kManager = 4;
constexpr std::uint32_t kPointer = 5;
constexpr std::uint32_t kSecondSync = 6;
constexpr std::string_view kManagerInterface = "zwlr_virtual_pointer_manager_v1";
constexpr int kReadTimeoutMs = 5000;

/// A string argument: its length with the NUL, then its bytes padded to whole words.
void appendString(std::vector<std::uint32_t>& words, std::string_view text) {
    words.push_back(static_cast<std::uint32_t>(text.size() + 1));
    std::vector<std::uint32_t> padded((text.size() + 1 + 3) / 4, 0);
    std::memcpy(padded.data(), text.data(), text.size());
    words.insert(words.end(), padded.begin(), padded.end());
}

std::string_view stringAt(const std::vector<std::uint32_t>& words, std::size_t index) {
    if (index >= words.size() || words[index] == 0) return {};
    const std::size_t length = words[index] - 1;
    if ((length + 4) / 4 > words.size() - index - 1) return {};
    return {reinterpret_cast<const char*>(&words[index + 1]), length};
}

}  // namespace

VirtualPointer::VirtualPointer(const std::filesystem::path& socket) {
    socket_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socket.string();
    if (socket_ < 0 || path.size() >= sizeof address.sun_path)
        throw std::runtime_error("no socket for " + path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket_);
        throw std::runtime_error("cannot connect to " + path);
    }
    try {
        send(kDisplay, 1, {kRegistry});
        std::optional<std::uint32_t> manager;
        for (const Message& message : roundTrip(kFirstSync)) {
            if (message.object == kRegistry && message.opcode == 0 &&
                stringAt(message.words, 1) == kManagerInterface && !message.words.empty()) {
                manager = message.words[0];
            }
        }
        if (!manager) throw std::runtime_error("the compositor offers no " + std::string(kManagerInterface));
        std::vector<std::uint32_t> bind{*manager};
        appendString(bind, kManagerInterface);
        bind.push_back(1);
        bind.push_back(kManager);
        send(kRegistry, 0, bind);
        send(kManager, 0, {0, kPointer});  // on the default seat
        roundTrip(kSecondSync);
    } catch (...) {
        ::close(socket_);
        throw;
    }
}

VirtualPointer::~VirtualPointer() {
    ::close(socket_);
}

void VirtualPointer::send(std::uint32_t object, std::uint16_t opcode,
                          const std::vector<std::uint32_t>& words) const {
    std::vector<std::uint32_t> message{object,
                                       static_cast<std::uint32_t>(((8 + 4 * words.size()) << 16U) | opcode)};
    message.insert(message.end(), words.begin(), words.end());
    const auto* bytes = reinterpret_cast<const char*>(message.data());
    std::size_t left = message.size() * 4;
    while (left > 0) {
        const ssize_t sent = ::send(socket_, bytes, left, MSG_NOSIGNAL);
        if (sent <= 0) throw std::runtime_error("the compositor closed the connection");
        bytes += sent;
        left -= static_cast<std::size_t>(sent);
    }
}

std::vector<VirtualPointer::Message> VirtualPointer::roundTrip(std::uint32_t callback) {
    send(kDisplay, 0, {callback});
    std::vector<Message> messages;
    for (;;) {
        while (unread_.size() >= 8) {
            std::uint32_t header[2];
            std::memcpy(header, unread_.data(), sizeof header);
            const std::size_t size = header[1] >> 16U;
            if (size < 8 || size % 4 != 0) throw std::runtime_error("a malformed Wayland message");
            if (unread_.size() < size) break;
            Message message{header[0], static_cast<std::uint16_t>(header[1] & 0xFFFFU),
                            std::vector<std::uint32_t>((size - 8) / 4)};
            std::memcpy(message.words.data(), unread_.data() + 8, size - 8);
            unread_.erase(0, size);
            if (message.object == kDisplay && message.opcode == 0)
                throw std::runtime_error("the compositor refused the virtual pointer: " +
                                         std::string(stringAt(message.words, 2)));
            if (message.object == callback) return messages;
            messages.push_back(std::move(message));
        }
        pollfd ready{socket_, POLLIN, 0};
        if (::poll(&ready, 1, kReadTimeoutMs) <= 0) throw std::runtime_error("the compositor did not answer");
        char buffer[4096];
        const ssize_t got = ::recv(socket_, buffer, sizeof buffer, 0);
        if (got <= 0) throw std::runtime_error("the compositor closed the connection");
        unread_.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace corvane::wltest
