#include "platform/x11/sway_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace corvane::x11 {

namespace {

constexpr std::array<char, 6> kMagic{'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t kRunCommand = 0;
/// sway answers a command at once, also a busy one within a second; a stuck
/// compositor must not stall the program longer.
constexpr int kAnswerTimeoutMilliseconds = 1000;

bool readAll(int fd, char* into, std::size_t size) {
    while (size > 0) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, kAnswerTimeoutMilliseconds) <= 0) return false;
        const auto got = ::read(fd, into, size);
        if (got <= 0) return false;
        into += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::unique_ptr<SwayIpc> SwayIpc::connectFromEnvironment() {
    const char* path = std::getenv("SWAYSOCK");
    if (path == nullptr || *path == '\0') return nullptr;
    const int fd = open(path);
    if (fd < 0) return nullptr;
    return std::make_unique<SwayIpc>(path, fd);
}

int SwayIpc::open(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return -1;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SwayIpc::drop() {
    if (socket_ >= 0) close(socket_);
    socket_ = -1;
}

SwayIpc::~SwayIpc() {
    if (socket_ >= 0) close(socket_);
}

std::string SwayIpc::windowCriteria(unsigned int window) {
    return "[id=" + std::to_string(window) + "]";
}

std::string SwayIpc::placeCommand(unsigned int window, long x, long y, long width, long height, bool sticky) {
    // Resized first: sway keeps a floating window's middle where it was when it resizes it.
    return windowCriteria(window) + " floating enable, border none" + (sticky ? ", sticky enable" : "") +
           ", resize set width " + std::to_string(width) + " px height " + std::to_string(height) +
           " px, move absolute position " + std::to_string(x) + " px " + std::to_string(y) + " px";
}

bool SwayIpc::run(const std::string& commands) {
    if (socket_ < 0) socket_ = open(path_);
    if (socket_ < 0 || !send(commands)) return false;
    const std::string answer = receive();
    if (answer.empty()) {
        drop();
        return false;
    }
    // One {"success": ...} per command; any false is a refusal.
    return answer.find("\"success\": false") == std::string::npos &&
           answer.find("\"success\":false") == std::string::npos;
}

bool SwayIpc::send(const std::string& payload) {
    std::string message(kMagic.begin(), kMagic.end());
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&kRunCommand), sizeof kRunCommand);
    message += payload;
    const auto sent = ::send(socket_, message.data(), message.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(message.size())) return true;
    drop();
    return false;
}

std::string SwayIpc::receive() {
    std::array<char, kMagic.size() + 2 * sizeof(std::uint32_t)> header{};
    if (!readAll(socket_, header.data(), header.size())) return {};
    std::uint32_t length = 0;
    std::memcpy(&length, header.data() + kMagic.size(), sizeof length);
    std::string answer(length, '\0');
    if (!readAll(socket_, answer.data(), answer.size())) return {};
    return answer;
}

}  // namespace corvane::x11
