#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/call_log.h"
#include "platform/sim/sim_main_queue.h"

namespace corvane::sim {

class SimAccessibility;
class SimCapture;
class SimDefaults;
class SimHotKeys;
class SimProcessInfo;
class SimScreens;
class SimWindows;
class SimWorkspace;

/// A simulated window of another process.
struct SimWindow {
    platform::WindowRef ref = 0;
    platform::Pid pid = 0;
    platform::Rect frame;  ///< window space
    bool onScreen = true;  ///< as the capture service lists it
    bool positionUnreadable = false;
    bool sizeUnreadable = false;
    bool writesIgnored = false;
};

/// A simulated application.
struct SimApp {
    std::optional<std::string> bundleIdentifier;
    platform::Pid pid = 0;
    std::optional<platform::Date> launchDate;
    bool terminated = false;
    bool windowListUnreadable = false;
    std::optional<std::string> launchIdentity{};
};

/// An in-memory desktop: applications, windows, screens, settings, hot keys,
/// the program's own windows and window capture. Deterministic; records every
/// platform call in `calls()`.
class SimDesktop {
public:
    SimDesktop();
    ~SimDesktop();
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;
    SimDesktop(SimDesktop&&) = delete;
    SimDesktop& operator=(SimDesktop&&) = delete;

    /// The services, for the program under test.
    [[nodiscard]] platform::Platform platform();
    [[nodiscard]] CallLog& calls() { return calls_; }
    [[nodiscard]] SimMainQueue& queue() { return queue_; }

    // Applications and windows ---------------------------------------------
    /// Adds a running application; the first one added is listed first.
    void addApp(SimApp app);
    /// A game client (bundle "com.blizzard.worldofwarcraft") launched at `launchSeconds`.
    void addGame(platform::Pid pid, double launchSeconds);
    void removeApp(platform::Pid pid);
    [[nodiscard]] SimApp& app(platform::Pid pid);
    /// Adds a window to the app with `pid`; windows are listed in the order added.
    platform::WindowRef addWindow(platform::Pid pid, platform::Rect frame);
    void removeWindow(platform::WindowRef ref);
    [[nodiscard]] SimWindow& window(platform::WindowRef ref);
    [[nodiscard]] std::vector<platform::WindowRef> windowsOf(platform::Pid pid) const;
    void setFrontmost(std::optional<platform::Pid> pid) { frontmost_ = pid; }
    [[nodiscard]] std::optional<platform::Pid> frontmost() const { return frontmost_; }
    void setTrusted(bool trusted) { trusted_ = trusted; }
    [[nodiscard]] int trustPrompts() const { return trustPrompts_; }
    void setArguments(std::vector<std::string> arguments) { arguments_ = std::move(arguments); }

    // Screens ---------------------------------------------------------------
    /// Replaces the screen list (primary first). Default: one 1440 by 900
    /// screen with a 25-point menu bar (visible frame 0, 0, 1440, 875).
    void setScreens(std::vector<platform::Screen> screens);
    /// nullopt (default) means: the first screen, if any.
    void setMainScreen(std::optional<platform::Screen> screen);

    // Settings --------------------------------------------------------------
    [[nodiscard]] platform::DefaultsStore& defaults();
    [[nodiscard]] std::map<std::string, platform::DefaultsValue> defaultsContents() const;

    // Hot keys --------------------------------------------------------------
    /// Makes a combination "taken by another program": registering it fails.
    void takeHotKey(std::uint32_t keyCode, std::uint32_t modifiers);
    /// Takes a key off the keyboard: registering it, with any modifiers, fails as invalid.
    void removeKey(std::uint32_t keyCode);
    /// Presses a registered combination: calls the installed handler with its
    /// identifier, as the platform would. Returns the handler's status, or
    /// nullopt when no handler is installed or nothing is registered there.
    std::optional<std::int32_t> pressHotKey(std::uint32_t keyCode, std::uint32_t modifiers);
    /// Delivers an event straight to the handler (nullptr allowed).
    std::optional<std::int32_t> deliverHotKeyEvent(const platform::HotKeyEvent* event);
    struct RegisteredHotKey {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        platform::HotKeyID id;
    };
    /// Currently registered combinations, by reference.
    [[nodiscard]] std::map<platform::HotKeyRef, RegisteredHotKey> registeredHotKeys() const;
    [[nodiscard]] bool hotKeyHandlerInstalled() const;

    // The program's own windows ---------------------------------------------
    class BorderState;
    class PanelState;
    /// The border windows created so far (normally one).
    [[nodiscard]] std::vector<BorderState*> borders() const;
    /// Live panels, in creation order.
    [[nodiscard]] std::vector<PanelState*> panels() const;

    // Capture ---------------------------------------------------------------
    class StreamState;
    /// Shareable content refused (on macOS: permission missing).
    void setCaptureRefused(bool refused);
    void setOutputRefused(bool refused);
    void setStartRefused(bool refused);
    /// Completions wait in a list until released (default: they are posted
    /// to the main queue at once).
    void setHoldCompletions(bool hold);
    [[nodiscard]] std::size_t heldCompletions() const;
    /// Posts the oldest held completion to the main queue.
    void releaseCompletion();
    /// Streams created so far (also stopped and destroyed ones), in order.
    [[nodiscard]] std::vector<StreamState*> streams() const;

private:
    CallLog calls_;
    SimMainQueue queue_;
    std::unique_ptr<SimWorkspace> workspace_;
    std::unique_ptr<SimProcessInfo> processInfo_;
    std::unique_ptr<SimAccessibility> accessibility_;
    std::unique_ptr<SimScreens> screens_;
    std::unique_ptr<SimDefaults> defaults_;
    std::unique_ptr<SimHotKeys> hotKeys_;
    std::unique_ptr<SimWindows> windows_;
    std::unique_ptr<SimCapture> capture_;

    friend class SimWorkspace;
    friend class SimProcessInfo;
    friend class SimAccessibility;
    friend class SimScreens;
    friend class SimCapture;
    friend class SimWindows;

    std::vector<SimApp> apps_;
    std::vector<SimWindow> windows_list_;
    platform::WindowRef nextWindowRef_ = 1;
    std::optional<platform::Pid> frontmost_;
    bool trusted_ = true;
    int trustPrompts_ = 0;
    std::vector<std::string> arguments_{"corvane"};
    std::vector<platform::Screen> screenList_;
    std::optional<platform::Screen> mainScreen_;
};

/// What the test can see and do with the border window.
class SimDesktop::BorderState {
public:
    virtual ~BorderState() = default;
    [[nodiscard]] virtual platform::Rect frame() const = 0;
    [[nodiscard]] virtual bool visible() const = 0;
    struct Stroke {
        platform::Rect rect;
        platform::Color color;
        double lineWidth = 0;
    };
    /// Runs the window's draw function as the platform would and returns its strokes.
    [[nodiscard]] virtual std::vector<Stroke> display() = 0;
};

/// What the test can see and do with one preview panel.
class SimDesktop::PanelState {
public:
    virtual ~PanelState() = default;
    [[nodiscard]] virtual std::optional<platform::PanelLabel> label() const = 0;
    [[nodiscard]] virtual int number() const = 0;  ///< creation order, from 0
    [[nodiscard]] virtual platform::Rect frame() const = 0;
    [[nodiscard]] virtual bool visible() const = 0;
    [[nodiscard]] virtual std::shared_ptr<const platform::Surface> contents() const = 0;
    /// A button release with this click count.
    virtual void click(int clickCount) = 0;
    /// The user drags the panel by (dx, dy) in framework space.
    virtual void drag(double dx, double dy) = 0;
};

/// What the test can see and do with one capture stream.
class SimDesktop::StreamState {
public:
    virtual ~StreamState() = default;
    [[nodiscard]] virtual platform::CaptureWindowID windowID() const = 0;
    [[nodiscard]] virtual const platform::StreamConfiguration& configuration() const = 0;
    [[nodiscard]] virtual bool started() const = 0;    ///< start completed successfully
    [[nodiscard]] virtual bool stopped() const = 0;    ///< stop requested or stopped by itself
    [[nodiscard]] virtual bool destroyed() const = 0;  ///< the program released it
    /// Delivers one frame of this pixel size (a surface of that size).
    virtual void deliverFrame(double pixelWidth, double pixelHeight) = 0;
    /// Delivers a raw sample buffer.
    virtual void deliver(const platform::SampleBuffer& buffer, platform::StreamOutputType type) = 0;
    /// The platform stops the stream by itself.
    virtual void stopByItself() = 0;
};

}  // namespace corvane::sim
