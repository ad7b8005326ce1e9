#include "platform/x11/desktop/sway_ipc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/x11/desktop/sway_reply.h"
#include "platform/x11/desktop/window_owner.h"

namespace corvane::x11 {

namespace {

constexpr std::array<char, 6> kMagic{'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t kRunCommand = 0;
/// sway answers a command at once, also a busy one within a second; a stuck
/// compositor must not stall the program longer.
constexpr std::chrono::milliseconds kAnswerTimeout{1000};

/// The process of the window manager that runs `display`: the owner of its check window.
std::optional<pid_t> windowManagerPid(const Connection& display) {
    auto check = display.getProperty(display.root(), display.atoms().netSupportingWmCheck, 1);
    const auto window = firstValue32(check.get());
    if (!window) return std::nullopt;
    return WindowOwnerRead(display, *window).serverPid();
}

/// sway starts its X window manager a moment after XWayland: a program sway
/// started may connect in between.
std::optional<pid_t> awaitWindowManagerPid(const Connection& display) {
    constexpr int kTries = 40;
    constexpr auto kPause = std::chrono::milliseconds(50);
    for (int attempt = 1;; ++attempt) {
        if (const auto pid = windowManagerPid(display)) return pid;
        if (!display.extensions().xwayland || attempt == kTries) return std::nullopt;
        std::this_thread::sleep_for(kPause);
    }
}

}  // namespace

std::unique_ptr<SwayIpc> SwayIpc::connectFromEnvironment(const Connection& display) {
    const char* path = std::getenv("SWAYSOCK");
    if (path == nullptr || *path == '\0') return nullptr;
    auto ipc = connect(path);
    if (!ipc) return nullptr;
    // sway's X window manager lives in sway's own process: where another one
    // runs the display, sway's window ids name other windows than ours.
    const auto sway = ipc->peerPid();
    const auto manager = awaitWindowManagerPid(display);
    if (!sway || !manager || *sway != *manager) return nullptr;
    return ipc;
}

std::unique_ptr<SwayIpc> SwayIpc::connect(const std::string& path) {
    const int fd = open(path);
    if (fd < 0) return nullptr;
    return std::make_unique<SwayIpc>(path, fd);
}

std::optional<pid_t> SwayIpc::peerPid() const {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(socket_, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.pid <= 0) return std::nullopt;
    return peer.pid;
}

int SwayIpc::open(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return -1;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
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
    const auto answer = receive();
    if (!answer) {
        drop();
        return false;
    }
    // One {"success": ...} per command; any false is a refusal.
    return answer->find("\"success\": false") == std::string::npos &&
           answer->find("\"success\":false") == std::string::npos;
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

std::optional<std::string> SwayIpc::receive() {
    // One deadline for the whole answer: a peer that trickles it must not hold the program.
    const auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    SwayReply reply(kRunCommand);
    std::array<char, 4096> buffer{};
    while (reply.state() == SwayReply::State::reading) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd ready{socket_, POLLIN, 0};
        const int polled = poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return std::nullopt;
        const auto got = ::read(socket_, buffer.data(), std::min(buffer.size(), reply.wanted()));
        if (got <= 0) return std::nullopt;
        reply.take({buffer.data(), static_cast<std::size_t>(got)});
    }
    if (reply.state() != SwayReply::State::done) return std::nullopt;
    return reply.payload();
}

}  // namespace corvane::x11
