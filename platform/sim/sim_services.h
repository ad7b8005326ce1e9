#pragma once

// The services of the simulated desktop. Internal to the sim: tests use SimDesktop.

#include <array>
#include <charconv>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/sim/sim_desktop.h"

namespace corvane::sim {

// A small stand-in for std::format (not in this compiler's library): "{}"
// takes the next argument, "{:#x}" prints it in hexadecimal with 0x.
inline void formatOne(std::string& out, std::string_view spec, double value) {
    (void)spec;
    std::array<char, 32> buf{};
    auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
    out.append(buf.data(), end);
}
template <typename T>
requires std::is_integral_v<T>
inline void formatOne(std::string& out, std::string_view spec, T value) {
    if constexpr (std::is_same_v<T, bool>) {
        out += value ? "true" : "false";
    } else if (spec == ":#x") {
        std::array<char, 32> buf{};
        auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value, 16);
        out += "0x";
        out.append(buf.data(), end);
    } else {
        out += std::to_string(value);
    }
}
inline void formatOne(std::string& out, std::string_view /*spec*/, std::string_view value) {
    out += value;
}

inline void formatRest(std::string& out, std::string_view pattern) {
    out += pattern;
}

template <typename First, typename... Rest>
void formatRest(std::string& out, std::string_view pattern, const First& first, const Rest&... rest) {
    const auto open = pattern.find('{');
    if (open == std::string_view::npos) {
        out += pattern;
        return;
    }
    const auto close = pattern.find('}', open);
    out += pattern.substr(0, open);
    formatOne(out, pattern.substr(open + 1, close - open - 1), first);
    formatRest(out, pattern.substr(close + 1), rest...);
}

template <typename... Args>
std::string format(std::string_view pattern, const Args&... args) {
    std::string out;
    formatRest(out, pattern, args...);
    return out;
}

std::string describe(const platform::Rect& r);
std::string describe(const platform::Point& p);
std::string describe(const platform::Size& s);

class SimWorkspace final : public platform::Workspace {
public:
    explicit SimWorkspace(SimDesktop& desktop) : desktop_(desktop) {}
    std::vector<platform::RunningApplication> runningApplications() override;
    std::optional<platform::Pid> frontmostApplicationPid() override;
    bool activateApplication(platform::Pid pid) override;
    std::optional<std::string> launchIdentity(platform::Pid pid) override;

private:
    SimDesktop& desktop_;
};

class SimProcessInfo final : public platform::ProcessInfo {
public:
    explicit SimProcessInfo(SimDesktop& desktop) : desktop_(desktop) {}
    std::vector<std::string> arguments() override;

private:
    SimDesktop& desktop_;
};

class SimAccessibility final : public platform::Accessibility {
public:
    explicit SimAccessibility(SimDesktop& desktop) : desktop_(desktop) {}
    bool isProcessTrusted() override;
    void requestTrust() override;
    std::optional<std::vector<platform::WindowRef>> windows(platform::Pid pid) override;
    std::optional<platform::Point> position(platform::WindowRef window) override;
    std::optional<platform::Size> size(platform::WindowRef window) override;
    void setPosition(platform::WindowRef window, platform::Point position) override;
    void setSize(platform::WindowRef window, platform::Size size) override;
    void raise(platform::WindowRef window) override;

private:
    SimWindow* find(platform::WindowRef window);
    SimDesktop& desktop_;
};

class SimScreens final : public platform::Screens {
public:
    explicit SimScreens(SimDesktop& desktop) : desktop_(desktop) {}
    std::vector<platform::Screen> screens() override;
    std::optional<platform::Screen> mainScreen() override;

private:
    SimDesktop& desktop_;
};

class SimDefaults final : public platform::DefaultsStore {
public:
    explicit SimDefaults(CallLog& calls) : calls_(calls) {}
    std::optional<platform::DefaultsValue> object(std::string_view key) const override;
    void set(std::string_view key, platform::DefaultsValue value) override;
    [[nodiscard]] const std::map<std::string, platform::DefaultsValue, std::less<>>& values() const {
        return values_;
    }

private:
    CallLog& calls_;
    std::map<std::string, platform::DefaultsValue, std::less<>> values_;
};

class SimHotKeys final : public platform::HotKeyService {
public:
    explicit SimHotKeys(CallLog& calls) : calls_(calls) {}
    std::optional<platform::HotKeyHandlerRef> installHandler(platform::HotKeyHandler handler) override;
    void removeHandler(platform::HotKeyHandlerRef handler) override;
    platform::HotKeyRegistration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                platform::HotKeyID id) override;
    void unregisterHotKey(platform::HotKeyRef ref) override;

    void take(std::uint32_t keyCode, std::uint32_t modifiers);
    void removeKey(std::uint32_t keyCode) { missing_.push_back(keyCode); }
    std::optional<std::int32_t> press(std::uint32_t keyCode, std::uint32_t modifiers);
    std::optional<std::int32_t> deliver(const platform::HotKeyEvent* event);
    [[nodiscard]] const std::map<platform::HotKeyRef, SimDesktop::RegisteredHotKey>& registered() const {
        return registered_;
    }
    [[nodiscard]] bool handlerInstalled() const { return handler_ != nullptr; }

private:
    CallLog& calls_;
    platform::HotKeyHandler handler_;
    platform::HotKeyHandlerRef handlerRef_ = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> taken_;
    std::vector<std::uint32_t> missing_;
    std::map<platform::HotKeyRef, SimDesktop::RegisteredHotKey> registered_;
    platform::HotKeyRef nextRef_ = 1;
};

class SimWindows final : public platform::WindowService {
public:
    explicit SimWindows(CallLog& calls) : calls_(calls) {}
    std::unique_ptr<platform::BorderWindow> createBorderWindow(DrawFunction draw) override;
    std::unique_ptr<platform::Panel> createPanel(platform::Rect frame,
                                                 platform::PanelContent& content) override;

    [[nodiscard]] std::vector<SimDesktop::BorderState*> borders() const;
    [[nodiscard]] std::vector<SimDesktop::PanelState*> panels() const;
    void forget(const SimDesktop::BorderState* border);
    void forget(const SimDesktop::PanelState* panel);

private:
    CallLog& calls_;
    std::vector<SimDesktop::BorderState*> borders_;
    std::vector<SimDesktop::PanelState*> panels_;
    int nextPanel_ = 0;
};

class SimCapture final : public platform::CaptureService {
public:
    SimCapture(SimDesktop& desktop, CallLog& calls, SimMainQueue& queue)
        : desktop_(desktop), calls_(calls), queue_(queue) {}
    void getShareableContent(
        bool excludeDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<platform::ShareableContent>)> completion) override;
    std::unique_ptr<platform::CaptureStream> createStream(
        const platform::ShareableWindow& window, const platform::StreamConfiguration& configuration,
        std::weak_ptr<platform::StreamDelegate> delegate) override;

    /// Hands a completion to the program: at once (posted) or when released.
    void complete(std::function<void()> completion);

    bool captureRefused = false;
    bool outputRefused = false;
    bool startRefused = false;
    bool holdCompletions = false;
    std::deque<std::function<void()>> held;
    std::vector<std::shared_ptr<SimDesktop::StreamState>> streams;

private:
    SimDesktop& desktop_;
    CallLog& calls_;
    SimMainQueue& queue_;
};

}  // namespace corvane::sim
