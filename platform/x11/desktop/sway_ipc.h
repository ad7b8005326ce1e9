// sway's command channel, for what its X window manager does not do.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// sway's own command channel (the i3 IPC protocol on $SWAYSOCK). sway's X
/// window manager ignores _NET_MOVERESIZE_WINDOW, tiles every X window and
/// only marks a window urgent when asked to activate it: where sway runs,
/// placing and focusing go through its commands instead.
class SwayIpc {
public:
    /// Connects to the sway `$SWAYSOCK` names when that sway's X window manager
    /// runs `display`; nullptr where it is unset, refuses, or is another
    /// desktop's (the variable outlives sway and follows the user to other displays).
    static std::unique_ptr<SwayIpc> connectFromEnvironment(const Connection& display);
    /// Connects to the socket at `path`; nullptr where it refuses.
    static std::unique_ptr<SwayIpc> connect(const std::string& path);
    SwayIpc(std::string path, int socket) : path_(std::move(path)), socket_(socket) {}
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;
    SwayIpc(SwayIpc&&) = delete;
    SwayIpc& operator=(SwayIpc&&) = delete;

    /// Runs `commands` (sway's syntax, several joined with ";") and waits for
    /// its answer; false when the socket failed or a command was refused. An
    /// answer that does not come in time leaves the channel out of step (the
    /// late one would be read as the next command's): it is closed then, and
    /// the next run opens a new one.
    bool run(const std::string& commands);

    /// The process at the other end of the socket.
    [[nodiscard]] std::optional<pid_t> peerPid() const;

    /// The criteria that pick X window `window`.
    [[nodiscard]] static std::string windowCriteria(unsigned int window);
    /// The command that puts X window `window`, floating and without sway's
    /// frame, exactly at root `x`, `y` with that size; `sticky` on every workspace.
    [[nodiscard]] static std::string placeCommand(unsigned int window, long x, long y, long width,
                                                  long height, bool sticky);

private:
    static int open(const std::string& path);
    bool send(const std::string& payload);
    /// The answer to a command; nullopt when it is not one or does not come in time.
    [[nodiscard]] std::optional<std::string> receive();
    void drop();

    std::string path_;
    int socket_ = -1;
};

}  // namespace corvane::x11
