#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "corvane/clients/wow_client.h"
#include "platform/capture_service.h"
#include "platform/defaults_store.h"
#include "platform/main_queue.h"
#include "platform/screens.h"
#include "platform/window_service.h"

namespace corvane {

/// A live picture of one background client's window in a floating panel of
/// its own. Always held by a shared_ptr: its tasks hold it weakly, and its
/// stop task holds it until the platform has stopped the stream.
class LivePreview : public platform::StreamDelegate, public std::enable_shared_from_this<LivePreview> {
public:
    /// The panel's content: the captured picture, scaled to fit.
    class SurfaceView : public platform::PanelContent {
    public:
        std::function<void()> onClick;  ///< run on a single click
        std::function<void()> onMoved;  ///< run on every drag step
        double aspect = 16.0 / 9.0;     ///< width / height of the latest frame

        void mouseUp(int clickCount) override;
        void mouseDragged() override;
    };

    /// The platform services a preview uses; all must outlive it.
    struct Services {
        platform::WindowService& windows;
        platform::CaptureService& capture;
        platform::DefaultsStore& defaults;
        platform::Screens& screens;
        platform::MainQueue& queue;
    };

    /// Least time between two starts that found no window to capture.
    static constexpr double kRetryInterval = 1.0;

    /// A preview for preview slot `slot`, without a panel until the first show.
    static std::shared_ptr<LivePreview> create(int slot, Services services);
    ~LivePreview() override = default;
    LivePreview(const LivePreview&) = delete;
    LivePreview& operator=(const LivePreview&) = delete;
    LivePreview(LivePreview&&) = delete;
    LivePreview& operator=(LivePreview&&) = delete;

    /// Run on a single click on the panel.
    std::function<void()> onClick;

    /// Puts the panel on screen and starts capturing `client` unless a capture
    /// of that pid runs or is being started.
    void show(const WowClient& client, double width);
    /// Hides the panel at once and stops the capture in a task of its own.
    /// The preview is not used again.
    void stop();
    /// Gives an existing panel the width `width` and the captured aspect,
    /// keeping its bottom-left corner, and remembers the frame.
    void resize(double width);
    /// Creates the panel if needed and brings it to the front.
    void ensurePanel(double width);
    /// What the panel says of whose picture it shows; sent only when it changed.
    void setLabel(std::optional<platform::PanelLabel> label);
    /// Where a new panel opens: the remembered frame where at least half of
    /// it is on a screen, else a stack from the bottom-right corner of the
    /// main screen.
    [[nodiscard]] platform::Rect defaultFrame(double width) const;
    /// Brings a panel that the screens changed under (less than half of it on
    /// any) back to the stack, leaving its remembered frame as it is.
    void keepOnScreen(const std::vector<platform::Screen>& screens);
    /// "previewFrame." and the slot.
    [[nodiscard]] std::string frameKey() const;

    [[nodiscard]] int slot() const { return slot_; }
    [[nodiscard]] bool needsPermission() const { return needsPermission_; }
    [[nodiscard]] const platform::Panel* panel() const { return panel_.get(); }
    [[nodiscard]] SurfaceView& surfaceView() { return surfaceView_; }
    [[nodiscard]] bool hasStream() const { return stream_ != nullptr; }
    [[nodiscard]] std::optional<platform::Pid> streamedPID() const { return streamedPID_; }
    [[nodiscard]] std::optional<platform::CaptureWindowID> streamedWindowID() const {
        return streamedWindowID_;
    }
    [[nodiscard]] bool restarting() const { return restarting_; }

    // StreamDelegate
    void streamDidOutput(const platform::SampleBuffer& buffer, platform::StreamOutputType type) override;
    void streamDidStop() override;

private:
    struct Token {};

public:
    /// Use create(); public only for make_shared.
    LivePreview(Token token, int slot, Services services);

private:
    using StreamPtr = std::shared_ptr<platform::CaptureStream>;

    void start(const WowClient& client);
    void requestContent(const WowClient& client);
    void captureLargestWindow(const WowClient& client, const platform::ShareableContent& content);
    void startStream(StreamPtr stream, platform::CaptureWindowID windowID);
    void adoptStream(StreamPtr stream, platform::CaptureWindowID windowID);
    void failStart();
    void endEmptyStart();
    void stopStream(std::function<void()> done);
    void rememberFrame();
    /// The panel's place in the stack from the bottom-right corner of the main screen.
    [[nodiscard]] platform::Rect stackedFrame(double width) const;
    /// Gone, or stopped: a start under way for it ends without effect.
    [[nodiscard]] static bool discarded(const std::shared_ptr<LivePreview>& self);

    Services services_;
    bool needsPermission_ = false;
    // The surface view comes before the panel: the panel reports to it and
    // must be destroyed first.
    SurfaceView surfaceView_;
    std::unique_ptr<platform::Panel> panel_;
    std::optional<platform::PanelLabel> label_;
    // Shared: a start's completion holds its new stream until it is adopted here.
    StreamPtr stream_;
    std::optional<platform::Pid> streamedPID_;
    std::optional<platform::CaptureWindowID> streamedWindowID_;
    bool restarting_ = false;
    int slot_ = 0;
    bool stopped_ = false;                  ///< stop() was called
    std::optional<double> lastEmptyStart_;  ///< when a start last found no window
};

}  // namespace corvane
