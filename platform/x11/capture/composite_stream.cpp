#include "platform/x11/capture/composite_stream.h"

#include <xcb/composite.h>
#include <xcb/damage.h>

#include <array>
#include <utility>

#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {}  // namespace

CompositeStream::CompositeStream(const Connection& connection, EventLoop& loop, CaptureExtensions extensions,
                                 xcb_window_t window, const platform::StreamConfiguration& configuration,
                                 std::weak_ptr<platform::StreamDelegate> delegate)
    : connection_(connection),
      loop_(loop),
      extensions_(extensions),
      window_(window),
      frameInterval_(configuration.minimumFrameInterval),
      delegate_(std::move(delegate)) {}

CompositeStream::~CompositeStream() {
    if (running_) teardown(true);
}

bool CompositeStream::addStreamOutput(platform::StreamOutputType type) {
    if (type != platform::StreamOutputType::screen) return false;
    hasOutput_ = true;
    return true;
}

void CompositeStream::startCapture(std::function<void(bool ok)> completion) {
    Start outcome = Start::started;
    if (!running_) outcome = extensions_.available ? start() : Start::refused;
    // Only a server that cannot capture fails the start. A window that went
    // away or was unmapped since it was listed starts and stops at once, as it
    // would have a moment later: the preview then looks for a window anew.
    post([completion = std::move(completion), ok = outcome != Start::refused] { completion(ok); });
    if (outcome == Start::started) {
        // Damage tells of changes only: the first frame shows what is there now.
        post([this] { damaged(); });
    } else if (outcome == Start::windowGone) {
        post([delegate = delegate_] {
            if (const auto stopped = delegate.lock()) stopped->streamDidStop();
        });
    }
}

void CompositeStream::stopCapture(std::function<void()> completion) {
    if (running_) teardown(true);
    loop_.post(std::move(completion));
}

void CompositeStream::post(std::function<void()> task) {
    loop_.post([alive = std::weak_ptr<bool>(lifetime_), task = std::move(task)] {
        if (alive.lock()) task();
    });
}

// Starting -------------------------------------------------------------------

CompositeStream::Start CompositeStream::start() {
    xcb_connection_t* c = connection_.get();
    subscribe();
    AttributesCookie attributes = connection_.getAttributes(window_);
    const auto* window = attributes.get();
    if (window == nullptr || window->map_state != XCB_MAP_STATE_VIEWABLE) {
        teardown(window != nullptr);
        return Start::windowGone;
    }
    visual_ = window->visual;
    if (!redirect() || !namePixmap()) {
        // Gone or unmapped since the look above, or refused.
        const bool gone = !viewable();
        teardown(true);
        return gone ? Start::windowGone : Start::refused;
    }
    damage_ = OwnedDamage(c, xcb_generate_id(c));
    connection_.onForeignWindow(
        xcb_damage_create(c, damage_.get(), window_, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY));
    connection_.flush();
    running_ = true;
    return Start::started;
}

bool CompositeStream::viewable() const {
    AttributesCookie attributes = connection_.getAttributes(window_);
    const auto* window = attributes.get();
    return window != nullptr && window->map_state == XCB_MAP_STATE_VIEWABLE;
}

void CompositeStream::subscribe() {
    const auto handler = [this](const xcb_generic_event_t& event) { handleEvent(event); };
    for (const std::uint8_t type : std::array<std::uint8_t, 4>{
             XCB_CONFIGURE_NOTIFY, XCB_UNMAP_NOTIFY, XCB_DESTROY_NOTIFY, extensions_.damageNotify}) {
        subscriptions_.push_back(loop_.subscribe(type, handler));
    }
    subscriptions_.push_back(
        loop_.subscribeErrors([this](const xcb_generic_error_t& error) { return handleError(error); }));
}

bool CompositeStream::redirect() {
    // Automatic: the server keeps drawing the window on screen as before.
    CheckedCookie redirect(
        connection_.get(),
        xcb_composite_redirect_window_checked(connection_.get(), window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC));
    redirected_ = redirect.error() == nullptr;
    return redirected_;
}

bool CompositeStream::namePixmap() {
    xcb_connection_t* c = connection_.get();
    const auto format = extensions_.formats->forVisual(visual_);
    GeometryCookie geometry = connection_.getGeometry(window_);
    const auto* size = geometry.get();
    if (!format || size == nullptr) return false;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    // Fails while the window is not viewable; the caller keeps what it had.
    CheckedCookie named(c, xcb_composite_name_window_pixmap_checked(c, window_, pixmap));
    if (named.error() != nullptr) return false;
    OwnedPixmap ownedPixmap(c, pixmap);
    OwnedPicture picture(c, xcb_generate_id(c));
    const std::uint32_t includeInferiors = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
    xcb_render_create_picture(c, picture.get(), pixmap, *format, XCB_RENDER_CP_SUBWINDOW_MODE,
                              &includeInferiors);
    picture_ = std::make_shared<WindowPicture>(
        std::move(ownedPixmap), std::move(picture),
        platform::Size{static_cast<double>(size->width), static_cast<double>(size->height)});
    return true;
}

// Running --------------------------------------------------------------------

void CompositeStream::handleEvent(const xcb_generic_event_t& event) {
    const std::uint8_t type = eventType(event);
    if (type == extensions_.damageNotify) {
        if (as<xcb_damage_notify_event_t>(event).damage == damage_.get()) damaged();
    } else if (type == XCB_CONFIGURE_NOTIFY) {
        configured(as<xcb_configure_notify_event_t>(event));
    } else if (type == XCB_UNMAP_NOTIFY) {
        // Only the window's own notice: the root's copy (selected by the border) is the same news.
        const auto& unmap = as<xcb_unmap_notify_event_t>(event);
        if (unmap.window == window_ && unmap.event == window_) windowGone(false);
    } else if (type == XCB_DESTROY_NOTIFY) {
        const auto& destroy = as<xcb_destroy_notify_event_t>(event);
        if (destroy.window == window_ && destroy.event == window_) windowGone(true);
    }
}

bool CompositeStream::handleError(const xcb_generic_error_t& error) {
    if (!ours(error.resource_id)) return false;
    // The window vanished under a request: the end of this capture, not of the program.
    if (error.resource_id == window_ &&
        (error.error_code == XCB_WINDOW || error.error_code == XCB_DRAWABLE)) {
        windowGone(true);
    }
    return true;
}

bool CompositeStream::ours(std::uint32_t resource) const {
    return resource == window_ || (damage_ && resource == damage_.get()) ||
           (picture_ && resource == picture_->picture());
}

void CompositeStream::configured(const xcb_configure_notify_event_t& event) {
    if (event.window != window_ || event.event != window_ || !picture_) return;
    const platform::Size size{static_cast<double>(event.width), static_cast<double>(event.height)};
    if (size == picture_->pixelSize()) return;
    // A resized window has a new pixmap. Should naming it fail, the last
    // picture stays: a stale frame is better than a black flash.
    if (namePixmap()) damaged();
}

void CompositeStream::damaged() {
    changed_ = true;
    if (!running_ || clock_) return;  // the running clock takes it along
    const double wait = lastFrame_ ? *lastFrame_ + frameInterval_ - loop_.now() : 0;
    if (wait <= 0) {
        deliverFrame();
        rearm();
        return;
    }
    // The window changes faster than frames may follow: frames go by the clock.
    clock_ = loop_.scheduleOnce(wait, [this] { frameDue(); });
    clockSteady_ = false;
    checkedChanges_ = 0;
}

void CompositeStream::frameDue() {
    if (!running_) return;
    if (uncheckedFrames_ > 0) {
        --uncheckedFrames_;
    } else if (!changed_) {
        clock_.reset();  // quiet for a whole interval: the next report starts the clock again
        return;
    } else if (++checkedChanges_ > 1) {
        // Changed in two intervals running, as a game drawing all the time does:
        // the next frames follow without asking the server to report again,
        // which would wake the program once more per frame.
        uncheckedFrames_ = kUncheckedFrames;
    }
    deliverFrame();
    if (uncheckedFrames_ == 0) rearm();
    if (!clockSteady_ && running_) {
        clock_ = loop_.scheduleRepeating(frameInterval_, [this] { frameDue(); });
        clockSteady_ = true;
    }
}

void CompositeStream::rearm() {
    // The server tells of the next change only, however many come until then.
    // The damage object goes with its window, which may be gone.
    changed_ = false;
    connection_.expectErrors(xcb_damage_subtract(connection_.get(), damage_.get(), XCB_NONE, XCB_NONE),
                             {extensions_.badDamage});
}

void CompositeStream::deliverFrame() {
    if (!running_) return;
    if (!picture_ || !hasOutput_) return;
    lastFrame_ = loop_.now();
    const platform::Size size = picture_->pixelSize();
    if (const auto delegate = delegate_.lock()) {
        delegate->streamDidOutput({true, picture_, size.width, size.height},
                                  platform::StreamOutputType::screen);
    }
}

// Stopping -------------------------------------------------------------------

void CompositeStream::windowGone(bool destroyed) {
    if (!running_) return;
    teardown(!destroyed);
    loop_.post([delegate = delegate_] {
        if (const auto stopped = delegate.lock()) stopped->streamDidStop();
    });
}

void CompositeStream::teardown(bool windowExists) {
    xcb_connection_t* c = connection_.get();
    running_ = false;
    clock_.reset();
    uncheckedFrames_ = 0;
    // An unmapped window may be on its way out, and its damage object goes with it.
    if (damage_) connection_.expectErrors(xcb_damage_destroy(c, damage_.get()), {extensions_.badDamage});
    damage_.release();
    if (windowExists && redirected_) {
        connection_.onForeignWindow(
            xcb_composite_unredirect_window(c, window_, XCB_COMPOSITE_REDIRECT_AUTOMATIC));
    }
    redirected_ = false;
    // A panel may still hold the picture; it is freed with the last holder.
    picture_.reset();
    connection_.flush();
    // Errors about requests just sent may still arrive; they are expected.
    subscriptions_.clear();
}

}  // namespace corvane::x11
