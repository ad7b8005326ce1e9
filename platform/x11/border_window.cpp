#include "platform/x11/border_window.h"

#include <xcb/shape.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "platform/x11/configure_window.h"
#include "platform/x11/events.h"

namespace corvane::x11 {

namespace {

std::uint32_t component(double value, int bits) {
    const double top = std::ldexp(1.0, bits) - 1;
    return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0, 1.0) * top));
}

/// A colour as a pixel of a 32-bit ARGB visual: premultiplied, as Render expects.
std::uint32_t argbPixel(platform::Color color) {
    const double alpha = std::clamp(color.alpha, 0.0, 1.0);
    return (component(alpha, 8) << 24U) | (component(color.red * alpha, 8) << 16U) |
           (component(color.green * alpha, 8) << 8U) | component(color.blue * alpha, 8);
}

bool sameRectangles(const std::vector<xcb_rectangle_t>& a, const std::vector<xcb_rectangle_t>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& l, const auto& r) {
        return l.x == r.x && l.y == r.y && l.width == r.width && l.height == r.height;
    });
}

}  // namespace

BorderWindow::BorderWindow(const Connection& connection, EventLoop& loop, X11Screens& screens,
                           StepWrites& writes, ProgramStacking& stacking,
                           platform::WindowService::DrawFunction draw)
    : connection_(connection),
      loop_(loop),
      screens_(screens),
      writes_(writes),
      stacking_(stacking),
      draw_(std::move(draw)) {
    hasShape_ = connection_.extensions().shape.usable;
    createWindow();
    expose_ = loop_.subscribe(XCB_EXPOSE, [this](const auto& event) { handleEvent(event); });
    visibility_ = loop_.subscribe(XCB_VISIBILITY_NOTIFY, [this](const auto& event) { handleEvent(event); });
    watchNewWindows();
}

void BorderWindow::watchNewWindows() {
    // A window mapped over the band may leave its visibility state unchanged
    // (already partly covered), so no VisibilityNotify would tell us: watch
    // the root's children being mapped as well (the window cache selects them).
    siblingMapped_ = loop_.subscribe(XCB_MAP_NOTIFY, [this](const xcb_generic_event_t& event) {
        const auto& mapped = as<xcb_map_notify_event_t>(event);
        if (mapped_ && mapped.event == connection_.root() && mapped.window != window_.get()) raise();
    });
}

BorderWindow::Visual BorderWindow::chooseVisual() const {
    const xcb_screen_t& screen = connection_.screen();
    for (auto depths = xcb_screen_allowed_depths_iterator(&screen); depths.rem > 0; xcb_depth_next(&depths)) {
        if (depths.data->depth != 32) continue;
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem > 0;
             xcb_visualtype_next(&visuals)) {
            if (visuals.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR)
                return {visuals.data->visual_id, 32, true};
        }
    }
    return {screen.root_visual, screen.root_depth, false};
}

void BorderWindow::createWindow() {
    xcb_connection_t* c = connection_.get();
    visual_ = chooseVisual();
    xcb_colormap_t colormap = connection_.screen().default_colormap;
    if (visual_.argb) {
        // A visual other than the root's needs a colormap of its own.
        colormap_ = OwnedColormap(c, xcb_generate_id(c));
        xcb_create_colormap(c, XCB_COLORMAP_ALLOC_NONE, colormap_.get(), connection_.root(), visual_.id);
        colormap = colormap_.get();
    }
    window_ = OwnedWindow(c, xcb_generate_id(c));
    const std::array<std::uint32_t, 5> values{
        0, 0, 1, XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_VISIBILITY_CHANGE, colormap};
    xcb_create_window(c, visual_.depth, window_.get(), connection_.root(), 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, visual_.id,
                      XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                          XCB_CW_COLORMAP,
                      values.data());
    // Named for whoever looks at the screen's windows (xwininfo, tests).
    constexpr std::string_view kTitle = "Corvane border";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_.get(), XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(kTitle.size()), kTitle.data());
    gc_ = OwnedGc(c, xcb_generate_id(c));
    xcb_create_gc(c, gc_.get(), window_.get(), 0, nullptr);
    if (hasShape_) {
        // Nothing shows until the first paint, and clicks always pass through.
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED,
                             window_.get(), 0, 0, 0, nullptr);
        xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                             window_.get(), 0, 0, 0, nullptr);
        shape_.emplace();
    }
    connection_.flush();
}

void BorderWindow::setFrame(platform::Rect frame, bool /*display*/) {
    // The band follows the bounds, and a paint that shows nothing new is skipped.
    frame_ = frame;
    wanted_ = toRoot(frame, screens_.primaryRootFrame());
    setNeedsDisplay();
}

void BorderWindow::orderFrontRegardless() {
    if (!hasShape_) return;
    visible_ = true;
    setNeedsDisplay();
}

void BorderWindow::orderOut() {
    visible_ = false;
    if (!mapped_) return;
    connection_.onOwnWindow(xcb_unmap_window(connection_.get(), window_.get()));
    mapped_ = false;
}

void BorderWindow::setNeedsDisplay() {
    // Several changes in one step make one update.
    if (updatePending_) return;
    updatePending_ = true;
    writes_.updateOwnWindow(lifetime_, [this] { update(); });
}

void BorderWindow::update() {
    updatePending_ = false;
    if (wanted_ && configureIfChanged(connection_, window_.get(), *wanted_, sent_)) sent_ = wanted_;
    paint();
    if (visible_ && !mapped_) {
        connection_.onOwnWindow(xcb_map_window(connection_.get(), window_.get()));
        raise();
        mapped_ = true;
    }
}

void BorderWindow::handleEvent(const xcb_generic_event_t& event) {
    if (eventType(event) == XCB_EXPOSE) {
        const auto& expose = as<xcb_expose_event_t>(event);
        if (expose.window == window_.get() && expose.count == 0) {
            painted_.reset();
            setNeedsDisplay();
        }
        return;
    }
    const auto& visibility = as<xcb_visibility_notify_event_t>(event);
    // Something came over the band: a window the window manager raised, another program's popup.
    if (visibility.window == window_.get() && mapped_ && visibility.state != XCB_VISIBILITY_UNOBSCURED)
        raise();
}

void BorderWindow::paint() {
    if (!hasShape_) return;
    const double height = sent_ ? static_cast<double>(sent_->height) : 0;
    const double width = sent_ ? static_cast<double>(sent_->width) : 0;
    BandCanvas canvas(height);
    draw_(canvas, {0, 0, width, height});
    if (painted(canvas.bands())) return;
    applyShape(canvas.allRectangles());
    for (const auto& band : canvas.bands()) fill(band);
    painted_ = canvas.bands();
}

bool BorderWindow::painted(const std::vector<Band>& bands) const {
    return painted_ && std::equal(painted_->begin(), painted_->end(), bands.begin(), bands.end(),
                                  [](const Band& a, const Band& b) {
                                      return a.color == b.color && sameRectangles(a.rectangles, b.rectangles);
                                  });
}

void BorderWindow::applyShape(const std::vector<xcb_rectangle_t>& rectangles) {
    if (shape_ && sameRectangles(*shape_, rectangles)) return;
    connection_.onOwnWindow(xcb_shape_rectangles(
        connection_.get(), XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, XCB_CLIP_ORDERING_UNSORTED, window_.get(),
        0, 0, static_cast<std::uint32_t>(rectangles.size()), rectangles.data()));
    shape_ = rectangles;
}

void BorderWindow::fill(const Band& band) {
    if (band.rectangles.empty()) return;
    const std::uint32_t pixel = pixelFor(band.color);
    xcb_change_gc(connection_.get(), gc_.get(), XCB_GC_FOREGROUND, &pixel);
    connection_.onOwnWindow(xcb_poly_fill_rectangle(connection_.get(), window_.get(), gc_.get(),
                                                    static_cast<std::uint32_t>(band.rectangles.size()),
                                                    band.rectangles.data()));
}

std::uint32_t BorderWindow::pixelFor(platform::Color color) {
    if (visual_.argb) return argbPixel(color);
    if (lastPixel_ && lastPixel_->first == color) return lastPixel_->second;
    xcb_connection_t* c = connection_.get();
    auto reply = makeCookie(c,
                            xcb_alloc_color(c, connection_.screen().default_colormap,
                                            static_cast<std::uint16_t>(component(color.red, 16)),
                                            static_cast<std::uint16_t>(component(color.green, 16)),
                                            static_cast<std::uint16_t>(component(color.blue, 16))),
                            xcb_alloc_color_reply);
    const std::uint32_t pixel =
        reply.get() != nullptr ? reply.get()->pixel : connection_.screen().white_pixel;
    lastPixel_ = {color, pixel};
    return pixel;
}

void BorderWindow::raise() {
    stacking_.raiseUnmanaged(window_.get());
}

}  // namespace corvane::x11
