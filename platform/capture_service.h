#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/window_service.h"

namespace corvane::platform {

using CaptureWindowID = std::uint32_t;

/// A window that can be captured.
struct ShareableWindow {
    std::optional<Pid> owningPid;  ///< nullopt when the owning application is unknown
    Rect frame;                    ///< points
    CaptureWindowID windowID = 0;
    bool onScreen = true;
};

struct ShareableContent {
    std::vector<ShareableWindow> windows;
};

/// 32-bit BGRA, as a four-character code.
inline constexpr std::uint32_t kPixelFormatBGRA = 1111970369;

/// What a stream is asked for. The X11 backend honours only
/// minimumFrameInterval: it hands on the window's own pixmap (scaled where it
/// is drawn, with no cursor, one frame at a time, in the window's own format),
/// so the other fields are read by the simulation alone.
struct StreamConfiguration {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    double minimumFrameInterval = 0;  ///< seconds
    bool showsCursor = true;
    int queueDepth = 0;
    std::uint32_t pixelFormat = 0;
    friend bool operator==(const StreamConfiguration&, const StreamConfiguration&) = default;
};

enum class StreamOutputType { screen, audio };

/// One delivered frame. `surface` is null when the buffer carries no picture.
struct SampleBuffer {
    bool hasImageBuffer = true;
    std::shared_ptr<const Surface> surface;
    double pixelWidth = 0;
    double pixelHeight = 0;
};

/// Receives a stream's frames and its stop report, on the main thread.
class StreamDelegate {
public:
    virtual ~StreamDelegate() = default;
    virtual void streamDidOutput(const SampleBuffer& buffer, StreamOutputType type) = 0;
    /// The platform stopped the stream by itself (window gone, error).
    virtual void streamDidStop() = 0;
};

/// A capture of one window. Completions run later, on the main thread.
class CaptureStream {
public:
    virtual ~CaptureStream() = default;
    /// Attaches the delegate as the stream's output; false when refused.
    virtual bool addStreamOutput(StreamOutputType type) = 0;
    /// `completion(true)` once frames will flow, `completion(false)` on error.
    virtual void startCapture(std::function<void(bool ok)> completion) = 0;
    /// `completion` runs once the stream has stopped (errors are not told).
    virtual void stopCapture(std::function<void()> completion) = 0;
};

class CaptureService {
public:
    virtual ~CaptureService() = default;
    /// Lists capturable windows; the completion gets nullopt when refused
    /// (on X11: no Composite extension).
    virtual void getShareableContent(bool excludeDesktopWindows, bool onScreenWindowsOnly,
                                     std::function<void(std::optional<ShareableContent>)> completion) = 0;
    /// A stream of one window alone. The stream holds the delegate weakly.
    [[nodiscard]] virtual std::unique_ptr<CaptureStream> createStream(
        const ShareableWindow& window, const StreamConfiguration& configuration,
        std::weak_ptr<StreamDelegate> delegate) = 0;
};

}  // namespace corvane::platform
