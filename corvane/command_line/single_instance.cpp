#include "corvane/command_line/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

#include "corvane/command_line/show_request.h"

namespace corvane::app {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

/// How long a later start waits for the running one to answer, which may just be starting.
constexpr auto kStarting = 3000ms;
constexpr auto kRetryPause = 50ms;
constexpr int kBacklog = 8;

std::string safeName(const std::string& identity) {
    std::string name;
    for (const char c : identity) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-';
        name += plain ? c : '_';
    }
    return name;
}

std::optional<sockaddr_un> socketAddress(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

struct flock wholeFile(int type) {
    struct flock range {};
    range.l_type = static_cast<short>(type);
    range.l_whence = SEEK_SET;
    return range;
}

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline) {
    pollfd watched{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, millisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

/// Asks the program listening at `path` to show its panel; true once it said it did.
bool askToShow(const std::filesystem::path& path, Clock::time_point deadline) {
    const auto address = socketAddress(path);
    if (!address) return false;
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.valid()) return false;
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 &&
        errno != EINPROGRESS && errno != EAGAIN) {
        return false;
    }
    if (!waitFor(socket.get(), POLLOUT, deadline)) return false;
    if (::send(socket.get(), kShowRequest.data(), kShowRequest.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(kShowRequest.size())) {
        return false;
    }
    std::string answer;
    std::array<char, 16> buffer{};
    while (answer.size() < kShownAnswer.size() && waitFor(socket.get(), POLLIN, deadline)) {
        const ssize_t n = ::recv(socket.get(), buffer.data(), buffer.size(), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        answer.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return answer == kShownAnswer;
}

}  // namespace

SingleInstance::SingleInstance(const std::filesystem::path& folder, const std::string& displayIdentity)
    : lockPath_(folder / ("corvane-" + std::to_string(getuid()) + "-" + safeName(displayIdentity) + ".lock")),
      socketPath_(folder / ("corvane-" + std::to_string(getuid()) + "-" + safeName(displayIdentity))) {}

SingleInstance::~SingleInstance() {
    // While the lock is still ours: a later start never finds it gone but the socket left.
    if (first_) ::unlink(socketPath_.c_str());
}

std::string SingleInstance::fail(const std::string& what) {
    problem_ = what + ": " + std::generic_category().message(errno);
    return problem_;
}

SingleInstance::Claim SingleInstance::claim() {
    lock_.reset(::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock_.valid()) {
        fail(lockPath_.string());
        return Claim::failed;
    }
    // Held by the open file, not the process: released when the holder dies, however.
    struct flock range = wholeFile(F_WRLCK);
    if (::fcntl(lock_.get(), F_OFD_SETLK, &range) == 0) {
        first_ = true;
        return listen() ? Claim::first : Claim::failed;
    }
    if (errno != EAGAIN && errno != EACCES) {
        fail(lockPath_.string());
        return Claim::failed;
    }
    // The holder may still be starting, its socket not answering yet.
    const auto deadline = Clock::now() + kStarting;
    do {
        if (askToShow(socketPath_, deadline)) return Claim::otherRuns;
        std::this_thread::sleep_for(kRetryPause);
    } while (Clock::now() < deadline);
    return Claim::otherBusy;
}

bool SingleInstance::listen() {
    const auto address = socketAddress(socketPath_);
    if (!address) {
        problem_ = socketPath_.string() + ": the path is too long for a socket";
        return false;
    }
    // Ours now: a socket there is left from a program that died.
    ::unlink(socketPath_.c_str());
    listener_.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_.valid() ||
        ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
        ::listen(listener_.get(), kBacklog) != 0) {
        fail(socketPath_.string());
        listener_.reset();
        return false;
    }
    return true;
}

bool SingleInstance::heldElsewhere() const {
    const UniqueFd lock(::open(lockPath_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!lock.valid()) return false;
    struct flock range = wholeFile(F_WRLCK);
    return ::fcntl(lock.get(), F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
}

}  // namespace corvane::app
