#include "platform/x11/own_windows/preview_panel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "platform/x11/desktop/foreign_requests.h"
#include "platform/x11/own_windows/own_window_geometry.h"
#include "platform/x11/wire/events.h"
#include "platform/x11/wire/icccm_hints.h"

namespace corvane::x11 {

namespace {

using namespace std::string_view_literals;

constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;
constexpr int kDragThresholdPixels = 3;
constexpr std::string_view kTitle = "Corvane preview";
constexpr std::string_view kClass = "corvane-preview\0Corvane\0"sv;  // instance, class

// Motif hints: the decorations field is set, and asks for none.
constexpr std::uint32_t kMotifDecorationsFlag = 1U << 1U;

xcb_render_fixed_t fixed(double value) {
    return static_cast<xcb_render_fixed_t>(std::lround(value * 65536.0));
}

xcb_rectangle_t rectangle(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    return {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), static_cast<std::uint16_t>(width),
            static_cast<std::uint16_t>(height)};
}

void setAtoms(const Connection& connection, xcb_window_t window, xcb_atom_t property,
              const std::vector<xcb_atom_t>& atoms) {
    xcb_change_property(connection.get(), XCB_PROP_MODE_REPLACE, window, property, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(atoms.size()), atoms.data());
}

void setText(const Connection& connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
             std::string_view text) {
    xcb_change_property(connection.get(), XCB_PROP_MODE_REPLACE, window, property, type, 8,
                        static_cast<std::uint32_t>(text.size()), text.data());
}

}  // namespace

PreviewPanel::PreviewPanel(const Connection& connection, EventLoop& loop, X11Screens& screens,
                           const RenderFormats& formats, StepWrites& writes, ProgramStacking& stacking,
                           bool unmanaged, platform::Rect frame, platform::PanelContent& content)
    : connection_(connection),
      loop_(loop),
      screens_(screens),
      formats_(formats),
      writes_(writes),
      stacking_(stacking),
      unmanaged_(unmanaged),
      content_(content) {
    shown_ = toRoot(frame, screens_.primaryRootFrame());
    createWindow(shown_);
    setProperties(shown_);
    subscribeEvents();
}

void PreviewPanel::createWindow(const RootRect& rect) {
    xcb_connection_t* c = connection_.get();
    window_ = OwnedWindow(c, xcb_generate_id(c));
    const std::array<std::uint32_t, 3> values{
        connection_.screen().black_pixel, unmanaged_ ? 1U : 0U,
        XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_VISIBILITY_CHANGE |
            XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_BUTTON_1_MOTION};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.get(), connection_.root(),
                      static_cast<std::int16_t>(rect.x), static_cast<std::int16_t>(rect.y),
                      static_cast<std::uint16_t>(rect.width), static_cast<std::uint16_t>(rect.height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, connection_.screen().root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values.data());
    if (const auto format = formats_.forVisual(connection_.screen().root_visual);
        formats_.available() && format) {
        picture_ = OwnedPicture(c, xcb_generate_id(c));
        xcb_render_create_picture(c, picture_.get(), window_.get(), *format, 0, nullptr);
    }
}

void PreviewPanel::setProperties(const RootRect& rect) {
    const Atoms& atoms = connection_.atoms();
    const xcb_window_t window = window_.get();
    xcb_connection_t* c = connection_.get();
    setAtoms(connection_, window, atoms.netWmWindowType, {atoms.netWmWindowTypeUtility});
    setAtoms(connection_, window, atoms.netWmState,
             {atoms.netWmStateAbove, atoms.netWmStateSticky, atoms.netWmStateSkipTaskbar,
              atoms.netWmStateSkipPager});
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.netWmDesktop, XCB_ATOM_CARDINAL, 32, 1,
                        &kAllDesktops);
    const std::array<std::uint32_t, 5> motif{kMotifDecorationsFlag, 0, 0, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atoms.motifWmHints, atoms.motifWmHints, 32,
                        static_cast<std::uint32_t>(motif.size()), motif.data());
    // Input False and no WM_TAKE_FOCUS: the window manager never gives it the focus.
    const auto wmHints = WmHints{WmHints::kInputFlag, false}.items();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 32,
                        static_cast<std::uint32_t>(wmHints.size()), wmHints.data());
    // A user-given position with static gravity: the window manager puts the
    // panel itself, not its frame, where asked.
    const auto normal =
        WmSizeHints{WmSizeHints::kUserPosition | WmSizeHints::kUserSize | WmSizeHints::kProgramPosition |
                        WmSizeHints::kProgramSize | WmSizeHints::kWinGravity,
                    rect.x,
                    rect.y,
                    rect.width,
                    rect.height,
                    XCB_GRAVITY_STATIC}
            .items();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS,
                        32, static_cast<std::uint32_t>(normal.size()), normal.data());
    setText(connection_, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, kClass);
    setText(connection_, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, kTitle);
    setText(connection_, window, atoms.netWmName, atoms.utf8String, kTitle);
}

void PreviewPanel::subscribeEvents() {
    const auto handler = [this](const xcb_generic_event_t& event) {
        switch (eventType(event)) {
            case XCB_BUTTON_PRESS:
                pressed(as<xcb_button_press_event_t>(event));
                break;
            case XCB_BUTTON_RELEASE:
                released(as<xcb_button_release_event_t>(event));
                break;
            case XCB_MOTION_NOTIFY:
                motion(as<xcb_motion_notify_event_t>(event));
                break;
            case XCB_CONFIGURE_NOTIFY:
                configured(as<xcb_configure_notify_event_t>(event));
                break;
            case XCB_EXPOSE:
                if (as<xcb_expose_event_t>(event).window == window_.get()) setNeedsDisplay();
                break;
            case XCB_VISIBILITY_NOTIFY:
                visibilityChanged(as<xcb_visibility_notify_event_t>(event));
                break;
            case XCB_MAP_NOTIFY:
                if (as<xcb_map_notify_event_t>(event).window != window_.get()) break;
                mapped_ = true;
                break;
            case XCB_UNMAP_NOTIFY:
                if (as<xcb_unmap_notify_event_t>(event).window == window_.get()) mapped_ = false;
                break;
            default:
                break;
        }
    };
    constexpr std::array<int, 8> kTypes{XCB_BUTTON_PRESS,     XCB_BUTTON_RELEASE, XCB_MOTION_NOTIFY,
                                        XCB_CONFIGURE_NOTIFY, XCB_EXPOSE,         XCB_VISIBILITY_NOTIFY,
                                        XCB_MAP_NOTIFY,       XCB_UNMAP_NOTIFY};
    for (const int type : kTypes) {
        subscriptions_.push_back(loop_.subscribe(static_cast<std::uint8_t>(type), handler));
    }
}

platform::Rect PreviewPanel::frame() const {
    return fromRoot(wanted_.value_or(shown_), screens_.primaryRootFrame());
}

void PreviewPanel::setFrame(platform::Rect frame, bool display) {
    wanted_ = toRoot(frame, screens_.primaryRootFrame());
    if (display) setNeedsDisplay();
    requestUpdate();
}

void PreviewPanel::orderFrontRegardless() {
    // Called on every tick: only a hidden or covered panel needs the server.
    const bool hidden = !visible_ || !mapped_;
    if (!hidden && !covered_) return;
    visible_ = true;
    raiseWanted_ = true;
    requestUpdate();
}

void PreviewPanel::orderOut() {
    if (!visible_) return;
    visible_ = false;
    raiseWanted_ = false;
    requestUpdate();
}

void PreviewPanel::requestUpdate() {
    writes_.updateOwnWindow(lifetime_, [this] { update(); });
}

void PreviewPanel::update() {
    if (wanted_) {
        if (*wanted_ != shown_) {
            configureIfChanged(connection_, window_.get(), *wanted_, std::nullopt);
            shown_ = *wanted_;
        }
        wanted_.reset();
    }
    if (visible_ && raiseWanted_) {
        if (!sentMapped_ || !mapped_)
            connection_.onOwnWindow(xcb_map_window(connection_.get(), window_.get()));
        if (unmanaged_) {
            // Above the panel too: sway shows its override-redirect windows above every window it
            // manages, and X's stacking has to say the same for a click to reach what is shown.
            raiseToTop(connection_, window_.get());
        } else {
            stacking_.raiseManaged(window_.get());
        }
        sentMapped_ = true;
        raiseWanted_ = false;
        // Until the server says otherwise: a raise the window manager refuses is not asked for again and
        // again.
        covered_ = false;
        mapped_ = true;
    } else if (!visible_ && sentMapped_) {
        connection_.onOwnWindow(xcb_unmap_window(connection_.get(), window_.get()));
        sentMapped_ = false;
    }
    if (paintWanted_ && visible_) display();
}

void PreviewPanel::visibilityChanged(const xcb_visibility_notify_event_t& event) {
    if (event.window == window_.get()) covered_ = event.state != XCB_VISIBILITY_UNOBSCURED;
}

void PreviewPanel::setContents(std::shared_ptr<const platform::Surface> surface) {
    contents_ = std::dynamic_pointer_cast<const WindowPicture>(surface);
    setNeedsDisplay();
}

void PreviewPanel::setLabel(std::optional<platform::PanelLabel> label) {
    if (label == label_) return;
    label_ = std::move(label);
    setNeedsDisplay();
}

// Mouse ----------------------------------------------------------------------

void PreviewPanel::pressed(const xcb_button_press_event_t& event) {
    if (event.event != window_.get() || event.detail != 1) return;
    const int count = clicks_.press(event.time, event.root_x, event.root_y);
    drag_ = Drag{event.root_x, event.root_y, event.root_x, event.root_y, count, false};
}

void PreviewPanel::motion(const xcb_motion_notify_event_t& event) {
    if (event.event != window_.get() || !drag_) return;
    // A hand never holds perfectly still: small jitter during a click is no drag.
    if (!drag_->moved && std::abs(event.root_x - drag_->startX) <= kDragThresholdPixels &&
        std::abs(event.root_y - drag_->startY) <= kDragThresholdPixels) {
        return;
    }
    drag_->moved = true;
    const RootRect& at = wanted_ ? *wanted_ : shown_;
    moveTo(at.x + event.root_x - drag_->lastX, at.y + event.root_y - drag_->lastY);
    drag_->lastX = event.root_x;
    drag_->lastY = event.root_y;
    content_.mouseDragged();
}

void PreviewPanel::released(const xcb_button_release_event_t& event) {
    if (event.event != window_.get() || event.detail != 1 || !drag_) return;
    const Drag ended = *drag_;
    drag_.reset();
    if (!ended.moved) content_.mouseUp(ended.clickCount);
}

void PreviewPanel::moveTo(std::int32_t x, std::int32_t y) {
    // The hand that drags it has the last word; the move goes out with the step's writes.
    RootRect to = wanted_.value_or(shown_);
    to.x = x;
    to.y = y;
    wanted_ = to;
    requestUpdate();
}

void PreviewPanel::configured(const xcb_configure_notify_event_t& event) {
    if (unmanaged_ && visible_ && event.event == connection_.root() && event.window != window_.get() &&
        event.override_redirect == 0) {
        // A window the window manager moved or restacked may now lie above it in X's stacking, which
        // XWayland's clicks follow, while sway still shows the preview on top.
        raiseWanted_ = true;
        requestUpdate();
        return;
    }
    if (event.window != window_.get() || event.event != window_.get()) return;
    const bool resized = event.width != shown_.width || event.height != shown_.height;
    shown_.width = std::max<std::uint32_t>(1, event.width);
    shown_.height = std::max<std::uint32_t>(1, event.height);
    if (resized) setNeedsDisplay();
    // During a drag the panel is where the drag put it; reports of earlier
    // steps would only make it jump back.
    if (drag_ && drag_->moved) return;
    if (sentByClient(event)) {
        // The window manager's own report: root coordinates (ICCCM 4.1.5).
        shown_.x = event.x;
        shown_.y = event.y;
    } else {
        // A real report is relative to the parent, the window manager's frame if it reparented us.
        TranslateCookie corner = connection_.translateToRoot(window_.get());
        if (const auto* reply = corner.get()) {
            shown_.x = reply->dst_x;
            shown_.y = reply->dst_y;
        }
    }
}

// Drawing --------------------------------------------------------------------

void PreviewPanel::setNeedsDisplay() {
    // With the step's other writes: a frame that comes while an activation waits for its answer
    // waits too.
    paintWanted_ = true;
    requestUpdate();
}

void PreviewPanel::display() {
    paintWanted_ = false;
    if (picture_ && contents_) {
        composite(*contents_);
    } else {
        xcb_clear_area(connection_.get(), 0, window_.get(), 0, 0, 0, 0);
    }
    if (label_ && picture_)
        labelPainter_.draw(window_.get(), picture_.get(),
                           static_cast<std::uint16_t>(std::min<std::uint32_t>(shown_.width, 0xFFFF)),
                           *label_);
}

void PreviewPanel::composite(const WindowPicture& source) {
    xcb_connection_t* c = connection_.get();
    const platform::Size size = source.pixelSize();
    const auto width = static_cast<double>(shown_.width);
    const auto height = static_cast<double>(shown_.height);
    if (size.width <= 0 || size.height <= 0) return;
    // The whole picture fits: the scale of the tighter side, the other side centred.
    const double scale = std::max(size.width / width, size.height / height);
    const auto fullWidth = static_cast<std::int32_t>(shown_.width);
    const auto fullHeight = static_cast<std::int32_t>(shown_.height);
    const auto drawnWidth = std::min(fullWidth, static_cast<std::int32_t>(std::lround(size.width / scale)));
    const auto drawnHeight =
        std::min(fullHeight, static_cast<std::int32_t>(std::lround(size.height / scale)));
    const std::int32_t left = (fullWidth - drawnWidth) / 2;
    const std::int32_t top = (fullHeight - drawnHeight) / 2;

    const xcb_render_transform_t transform{fixed(scale), 0, 0, 0, fixed(scale), 0, 0, 0, fixed(1)};
    xcb_render_set_picture_transform(c, source.picture(), transform);
    constexpr std::string_view kFilter = "bilinear";
    xcb_render_set_picture_filter(c, source.picture(), static_cast<std::uint16_t>(kFilter.size()),
                                  kFilter.data(), 0, nullptr);
    // Black bands beside the picture; the picture itself replaces what was there.
    const std::array<xcb_rectangle_t, 4> bands{
        rectangle(0, 0, fullWidth, top),
        rectangle(0, top + drawnHeight, fullWidth, fullHeight - top - drawnHeight),
        rectangle(0, top, left, drawnHeight),
        rectangle(left + drawnWidth, top, fullWidth - left - drawnWidth, drawnHeight)};
    const xcb_render_color_t black{0, 0, 0, 0xFFFF};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, picture_.get(), black,
                               static_cast<std::uint32_t>(bands.size()), bands.data());
    xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, source.picture(), XCB_NONE, picture_.get(), 0, 0, 0, 0,
                         static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                         static_cast<std::uint16_t>(drawnWidth), static_cast<std::uint16_t>(drawnHeight));
}

}  // namespace corvane::x11
