#include "corvane/overlays/live_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "corvane/clients/rect_string.h"

namespace corvane {

namespace {

using platform::CaptureStream;
using platform::CaptureWindowID;
using platform::Rect;
using platform::ShareableContent;
using platform::ShareableWindow;
using platform::StreamConfiguration;
using platform::StreamOutputType;

// A remembered frame this narrow or narrower is taken for a broken one.
constexpr double kMinimumRememberedWidth = 80;
constexpr Rect kFallbackVisibleFrame{0, 0, 1440, 900};
constexpr double kScreenMargin = 24;
constexpr double kStackGap = 12;

// Narrower windows are the game's splash and helper windows, not the game.
constexpr double kMinimumCaptureWidth = 200;
constexpr double kFramesPerSecond = 15;
constexpr int kQueueDepth = 3;

/// The length with its fraction dropped, kept within the configuration's range.
std::uint32_t wholePoints(double length) {
    constexpr auto kLargest = static_cast<double>(std::numeric_limits<std::uint32_t>::max());
    return static_cast<std::uint32_t>(std::clamp(std::trunc(length), 0.0, kLargest));
}

/// The client's largest on-screen window wide enough to be the game; of equal
/// areas the first listed.
std::optional<ShareableWindow> largestWindow(const ShareableContent& content, platform::Pid pid) {
    std::optional<ShareableWindow> best;
    for (const auto& window : content.windows) {
        if (window.owningPid != pid || !(window.frame.width > kMinimumCaptureWidth)) continue;
        const double area = window.frame.width * window.frame.height;
        if (!best || area > best->frame.width * best->frame.height) best = window;
    }
    return best;
}

StreamConfiguration configurationFor(const ShareableWindow& window) {
    StreamConfiguration configuration;
    configuration.width = wholePoints(window.frame.width);
    configuration.height = wholePoints(window.frame.height);
    configuration.minimumFrameInterval = 1 / kFramesPerSecond;
    configuration.showsCursor = false;
    configuration.queueDepth = kQueueDepth;
    configuration.pixelFormat = platform::kPixelFormatBGRA;
    return configuration;
}

double overlap(const Rect& a, const Rect& b) {
    const double width = std::min(a.maxX(), b.maxX()) - std::max(a.minX(), b.minX());
    const double height = std::min(a.maxY(), b.maxY()) - std::max(a.minY(), b.minY());
    return width > 0 && height > 0 ? width * height : 0;
}

/// Whether at least half of `frame` lies on one screen: a panel less on
/// screen than that is lost to the player (a monitor went away, or the
/// resolution shrank), and a window manager would leave a sliver at the edge.
/// With no screen known there is nothing to measure against.
bool onScreen(const Rect& frame, const std::vector<platform::Screen>& screens) {
    const double area = frame.width * frame.height;
    return screens.empty() ||
           std::any_of(screens.begin(), screens.end(), [&](const platform::Screen& screen) {
               return overlap(frame, screen.frame) * 2 >= area;
           });
}

/// Stops a stream that nobody will own and keeps it until the platform has
/// stopped it, so that no capture runs on unseen.
void discardStream(const std::shared_ptr<CaptureStream>& stream) {
    stream->stopCapture([keep = stream] {});
}

}  // namespace

std::shared_ptr<LivePreview> LivePreview::create(int slot, Services services) {
    return std::make_shared<LivePreview>(Token{}, slot, services);
}

LivePreview::LivePreview(Token /*token*/, int slot, Services services) : services_(services), slot_(slot) {}

// Panel ----------------------------------------------------------------------

std::string LivePreview::frameKey() const {
    return "previewFrame." + std::to_string(slot_);
}

Rect LivePreview::defaultFrame(double width) const {
    if (const auto text = services_.defaults.string(frameKey())) {
        const Rect remembered = rectFromString(*text);
        // Off screen it stays remembered: the monitor it was on may come back.
        if (remembered.width > kMinimumRememberedWidth && onScreen(remembered, services_.screens.screens()))
            return remembered;
    }
    return stackedFrame(width);
}

Rect LivePreview::stackedFrame(double width) const {
    const auto screen = services_.screens.mainScreen();
    const Rect visible = screen ? screen->visibleFrame : kFallbackVisibleFrame;
    const double height = platform::roundHalfAwayFromZero(width * 9 / 16);
    return {visible.maxX() - width - kScreenMargin,
            visible.minY() + kScreenMargin + (height + kStackGap) * slot_, width, height};
}

void LivePreview::ensurePanel(double width) {
    if (!panel_) {
        panel_ = services_.windows.createPanel(defaultFrame(width), surfaceView_);
        const std::weak_ptr<LivePreview> weak = weak_from_this();
        surfaceView_.onClick = [weak] {
            if (auto self = weak.lock(); self && self->onClick) self->onClick();
        };
        surfaceView_.onMoved = [weak] {
            if (auto self = weak.lock()) self->rememberFrame();
        };
        if (label_) panel_->setLabel(label_);
    }
    panel_->orderFrontRegardless();
}

void LivePreview::setLabel(std::optional<platform::PanelLabel> label) {
    if (label == label_) return;
    label_ = std::move(label);
    if (panel_) panel_->setLabel(label_);
}

void LivePreview::keepOnScreen(const std::vector<platform::Screen>& screens) {
    if (!panel_) return;
    const Rect frame = panel_->frame();
    if (onScreen(frame, screens)) return;
    panel_->setFrame(stackedFrame(frame.width), false);
}

void LivePreview::resize(double width) {
    if (!panel_) return;
    const Rect frame = panel_->frame();
    const double height = platform::roundHalfAwayFromZero(width / surfaceView_.aspect);
    panel_->setFrame({frame.x, frame.y, width, height}, true);
    rememberFrame();
}

void LivePreview::rememberFrame() {
    if (panel_) services_.defaults.set(frameKey(), stringFromRect(panel_->frame()));
}

// Capture --------------------------------------------------------------------

void LivePreview::show(const WowClient& client, double width) {
    ensurePanel(width);
    if ((streamedPID_ && *streamedPID_ == client.pid) || restarting_) return;
    // A game that has not opened its window yet is asked again, but not on
    // every tick.
    if (lastEmptyStart_ && services_.queue.now() < *lastEmptyStart_ + kRetryInterval) return;
    restarting_ = true;
    streamedPID_ = client.pid;
    start(client);
}

bool LivePreview::discarded(const std::shared_ptr<LivePreview>& self) {
    return !self || self->stopped_;
}

void LivePreview::start(const WowClient& client) {
    services_.queue.post([weak = weak_from_this(), client] {
        const auto self = weak.lock();
        if (discarded(self)) return;
        self->stopStream([weak, client] {
            if (const auto again = weak.lock(); !discarded(again)) again->requestContent(client);
        });
    });
}

void LivePreview::requestContent(const WowClient& client) {
    services_.capture.getShareableContent(
        false, true, [weak = weak_from_this(), client](std::optional<ShareableContent> content) {
            const auto self = weak.lock();
            if (discarded(self)) return;
            if (!content) {
                self->failStart();
                return;
            }
            self->captureLargestWindow(client, *content);
        });
}

void LivePreview::captureLargestWindow(const WowClient& client, const ShareableContent& content) {
    const auto window = largestWindow(content, client.pid);
    if (!window) {
        endEmptyStart();
        return;
    }
    StreamPtr stream = services_.capture.createStream(*window, configurationFor(*window), weak_from_this());
    if (!stream || !stream->addStreamOutput(StreamOutputType::screen)) {
        failStart();
        return;
    }
    startStream(std::move(stream), window->windowID);
}

void LivePreview::startStream(StreamPtr stream, CaptureWindowID windowID) {
    // The completion, not the preview, holds the new stream: a preview that
    // is discarded meanwhile must not leave it running unowned.
    CaptureStream& starting = *stream;
    starting.startCapture([weak = weak_from_this(), stream = std::move(stream), windowID](bool ok) {
        const auto self = weak.lock();
        if (discarded(self)) {
            if (ok) discardStream(stream);
            return;
        }
        if (ok) {
            self->adoptStream(stream, windowID);
        } else {
            self->failStart();
        }
    });
}

void LivePreview::adoptStream(StreamPtr stream, CaptureWindowID windowID) {
    stream_ = std::move(stream);
    streamedWindowID_ = windowID;
    needsPermission_ = false;
    restarting_ = false;
    lastEmptyStart_.reset();
}

void LivePreview::failStart() {
    // Every refusal means the same to the user: Screen Recording is missing.
    needsPermission_ = true;
    streamedPID_.reset();
    restarting_ = false;
    lastEmptyStart_.reset();
}

void LivePreview::endEmptyStart() {
    // Not a permission problem: the game has no window to capture yet.
    streamedPID_.reset();
    restarting_ = false;
    lastEmptyStart_ = services_.queue.now();
}

void LivePreview::stopStream(std::function<void()> done) {
    if (!stream_) {
        streamedWindowID_.reset();
        done();
        return;
    }
    stream_->stopCapture([weak = weak_from_this(), done = std::move(done)] {
        if (const auto self = weak.lock()) {
            self->stream_.reset();
            self->streamedWindowID_.reset();
        }
        done();
    });
}

void LivePreview::stop() {
    stopped_ = true;
    if (panel_) panel_->orderOut();
    services_.queue.post([self = shared_from_this()] {
        // `done` holds the preview until the platform has stopped the stream.
        self->stopStream([keep = self] {});
    });
}

// Stream delegate ------------------------------------------------------------

void LivePreview::streamDidOutput(const platform::SampleBuffer& buffer, StreamOutputType type) {
    if (type != StreamOutputType::screen || !buffer.hasImageBuffer || !buffer.surface) return;
    services_.queue.post([weak = weak_from_this(), surface = buffer.surface, width = buffer.pixelWidth,
                          height = buffer.pixelHeight] {
        const auto self = weak.lock();
        if (!self) return;
        if (self->panel_) self->panel_->setContents(surface);
        if (height > 0) self->surfaceView_.aspect = width / height;
    });
}

void LivePreview::streamDidStop() {
    services_.queue.post([weak = weak_from_this()] {
        const auto self = weak.lock();
        if (!self) return;
        self->stream_.reset();
        self->streamedPID_.reset();
    });
}

}  // namespace corvane
