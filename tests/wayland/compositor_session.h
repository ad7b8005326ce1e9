#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "child_process.h"
#include "game_process.h"
#include "program_runner.h"
#include "virtual_pointer.h"
#include "x_inspector.h"

namespace corvane::wltest {

using x11test::ChildProcess;
using x11test::Environment;
using x11test::GameProcess;
using x11test::GameSpec;
using x11test::XInspector;

enum class Compositor { mutter, kwin, sway, weston };

[[nodiscard]] std::string_view name(Compositor compositor);

/// The screen every compositor is given.
inline constexpr int kScreenWidth = 1440;
inline constexpr int kScreenHeight = 900;

/// A Wayland compositor running headless with XWayland, as a player's desktop
/// session is, in a temporary folder of its own. The test process must already
/// be in a private mount and network namespace with /tmp/.X11-unix of its own:
/// no compositor lets one choose XWayland's display, and each takes the first
/// free one. Everything it started ends with it.
class CompositorSession {
public:
    /// Why `compositor` cannot run here ("" when it can): what is not installed.
    [[nodiscard]] static std::string missingPrograms(Compositor compositor);

    /// Starts it and waits until its X window manager works; throws
    /// std::runtime_error (with its log) when it does not.
    explicit CompositorSession(Compositor compositor);
    CompositorSession(const CompositorSession&) = delete;
    CompositorSession& operator=(const CompositorSession&) = delete;
    ~CompositorSession();

    [[nodiscard]] Compositor compositor() const { return compositor_; }
    [[nodiscard]] XInspector& x() { return *inspector_; }
    [[nodiscard]] const std::filesystem::path& folder() const { return folder_; }
    /// What a program started in this desktop session finds in its
    /// environment: DISPLAY, XAUTHORITY, WAYLAND_DISPLAY, SWAYSOCK...
    [[nodiscard]] const Environment& desktop() const { return desktop_; }
    /// The compositor's own output so far.
    [[nodiscard]] std::string log() const;

    /// Starts a fake game and waits until its window shows; throws
    /// std::runtime_error when it does not.
    [[nodiscard]] std::unique_ptr<GameProcess> launchGame(const GameSpec& spec);
    /// The viewable windows titled `title` anywhere in the tree (clients sit in
    /// their frames), of process `pid` when one is given.
    [[nodiscard]] std::vector<xcb_window_t> windowsTitled(const std::string& title,
                                                          std::optional<pid_t> pid = std::nullopt);

    /// Whether the compositor has a screenshot tool here (sway's grim):
    /// what it shows, not what the X server stacks, is what the player sees.
    [[nodiscard]] bool canTakeScreenshots() const;
    /// The colour the compositor shows at a screen pixel, as 0xRRGGBB.
    [[nodiscard]] std::optional<std::uint32_t> screenPixel(int x, int y);

    /// Clicks at a screen position through the compositor's own input, as the
    /// player's mouse does (sway's seat commands); false where that cannot be
    /// done here. XTEST clicks reach X clients only, behind the compositor's back.
    bool clickThroughCompositor(std::pair<int, int> at);
    [[nodiscard]] bool canClickThroughCompositor() const { return compositor_ == Compositor::sway; }
    /// Asks a window to close as its title bar's button would.
    void close(xcb_window_t window);

    /// The compositor's own session bus ("" where it has none): where its shortcuts service lives.
    [[nodiscard]] std::string busAddress() const;
    /// What `gdbus call ARGUMENTS...` on that bus prints, or nullopt when it fails.
    [[nodiscard]] std::optional<std::string> busCall(const std::vector<std::string>& arguments);

private:
    void startBus();
    bool swayCommand(const std::string& commands);
    void startCompositor();
    void findXServer();
    void letRootIn();
    void connect();
    void removeStaleLocks() const;

    Compositor compositor_;
    std::filesystem::path folder_;
    std::filesystem::path runtime_;
    std::optional<ChildProcess> bus_;
    std::optional<ChildProcess> process_;
    std::unique_ptr<XInspector> inspector_;
    std::unique_ptr<VirtualPointer> pointer_;
    std::set<std::string> socketsBefore_;
    std::set<std::string> locksBefore_;
    std::string display_;
    std::string xauthority_;
    Environment desktop_;
    int gameCounter_ = 0;
};

}  // namespace corvane::wltest
