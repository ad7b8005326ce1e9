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
class LivePreview : public platform::StreamDelegate,
                    public std::enable_shared_from_this<LivePreview> {
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

    struct Services {
        platform::WindowService& windows;
        platform::CaptureService& capture;
        platform::DefaultsStore& defaults;
        platform::Screens& screens;
        platform::MainQueue& queue;
    };

    /// Least time between two starts that found no window to capture.
    static constexpr double kRetryInterval = 1.0;

    static std::shared_ptr<LivePreview> create(int slot, Services services);
    ~LivePreview() override;
    LivePreview(const LivePreview&) = delete;
    LivePreview& operator=(const LivePreview&) = delete;
    LivePreview(LivePreview&&) = delete;
    LivePreview& operator=(LivePreview&&) = delete;

    std::function<void()> onClick;

    /// Puts the panel on screen and starts capturing `client` unless a capture
    /// of that pid runs or is being started.
    void show(const WowClient& client, double width);
    /// Hides the panel at once and stops the capture in a task of its own.
    void stop();
    /// Gives an existing panel the width `width` and the captured aspect.
    void resize(double width);
    /// Creates the panel if needed and brings it to the front.
    void ensurePanel(double width);
    /// Where a new panel opens: the remembered frame, or a stack from the
    /// bottom-right corner of the main screen.
    [[nodiscard]] platform::Rect defaultFrame(double width) const;
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
    void streamDidOutput(const platform::SampleBuffer& buffer,
                         platform::StreamOutputType type) override;
    void streamDidStop() override;

private:
    struct Token {};

public:
    LivePreview(Token token, int slot, Services services);

private:
    void start(const WowClient& client);
    void stopStream(std::function<void()> done);
    void rememberFrame();

    Services services_;
    bool needsPermission_ = false;
    std::unique_ptr<platform::Panel> panel_;
    SurfaceView surfaceView_;
    std::unique_ptr<platform::CaptureStream> stream_;
    std::optional<platform::Pid> streamedPID_;
    std::optional<platform::CaptureWindowID> streamedWindowID_;
    bool restarting_ = false;
    int slot_ = 0;
    bool stopped_ = false;
    std::optional<double> lastEmptyStart_;
};

}  // namespace corvane
