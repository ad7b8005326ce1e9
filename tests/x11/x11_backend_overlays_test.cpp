// The program's own windows and window capture on a real X server: the border
// is a click-through band kept above the game, panels are undecorated sticky
// utility windows the user can drag, and captures of fake games deliver
// frames, list the games and survive their windows going away.
#include <gtest/gtest.h>

#include <xcb/composite.h>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "backend_test.h"
#include "boxes.h"
#include "platform/x11/own_windows/preview_panel.h"
#include "platform/x11/own_windows/x11_border_window.h"
#include "platform/x11/x11_backend.h"
#include "rect_printer.h"
#include "stderr_capture.h"
#include "wait_until.h"

namespace corvane::x11test {
namespace {

using platform::Color;
using platform::Rect;

/// What a stream told its delegate.
class RecordingDelegate final : public platform::StreamDelegate {
public:
    void streamDidOutput(const platform::SampleBuffer& buffer, platform::StreamOutputType /*type*/) override {
        frames.push_back(buffer);
    }
    void streamDidStop() override { ++stops; }

    std::vector<platform::SampleBuffer> frames;
    int stops = 0;
};

/// What a panel told its content.
class RecordingContent final : public platform::PanelContent {
public:
    void mouseUp(int clickCount) override { clicks.push_back(clickCount); }
    void mouseDragged() override { ++drags; }

    std::vector<int> clicks;
    int drags = 0;
};

constexpr Color kGreen = Color::fromRGB(0x34C759);
constexpr std::uint32_t kGreenPixel = 0x34C759;

class BackendOverlaysTest : public BackendTest {
protected:
    bool runUntil(const std::function<bool()>& condition) {
        return backend_->loop().runUntil(condition, 10.0);
    }

    /// Waits until the backend has read `window` in the window manager's
    /// client list, as it reads every listed window's structure.
    bool listedByTheBackend(xcb_window_t window) {
        const bool listed = runUntil([&] {
            const auto* clients = backend_->windowCache().clients();
            return clients != nullptr &&
                   std::any_of(clients->begin(), clients->end(),
                               [&](const auto& client) { return client.window == window; });
        });
        settle();
        return listed;
    }

    [[nodiscard]] std::vector<Box> shape(xcb_window_t window, xcb_shape_kind_t kind) {
        auto* c = x().connection();
        XReply<xcb_shape_get_rectangles_reply_t> reply(
            xcb_shape_get_rectangles_reply(c, xcb_shape_get_rectangles(c, window, kind), nullptr));
        if (!reply) return {};
        return boxes(xcb_shape_get_rectangles_rectangles(reply.get()),
                     static_cast<std::size_t>(xcb_shape_get_rectangles_rectangles_length(reply.get())));
    }

    [[nodiscard]] std::optional<xcb_get_window_attributes_reply_t> attributes(xcb_window_t window) {
        auto* c = x().connection();
        XReply<xcb_get_window_attributes_reply_t> reply(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        if (!reply) return std::nullopt;
        return *reply;
    }

    /// Moves the pointer or presses/releases button 1 as the user would (XTEST).
    void mouse(std::uint8_t type, int rootX, int rootY) {
        const std::uint8_t detail = type == XCB_MOTION_NOTIFY ? 0 : 1;
        xcb_test_fake_input(x().connection(), type, detail, XCB_CURRENT_TIME, x().root(),
                            static_cast<std::int16_t>(rootX), static_cast<std::int16_t>(rootY), 0);
        xcb_flush(x().connection());
    }
    void click(int rootX, int rootY) {
        mouse(XCB_MOTION_NOTIFY, rootX, rootY);
        mouse(XCB_BUTTON_PRESS, rootX, rootY);
        mouse(XCB_BUTTON_RELEASE, rootX, rootY);
    }

    [[nodiscard]] std::optional<platform::ShareableContent> shareableContent() {
        std::optional<std::optional<platform::ShareableContent>> result;
        backend_->capture().getShareableContent(false, true,
                                                [&](auto content) { result = std::move(content); });
        EXPECT_FALSE(result) << "the completion must come later, from the queue";
        EXPECT_TRUE(runUntil([&] { return result.has_value(); }));
        return result ? *result : std::nullopt;
    }

    /// A stream of `window` for `delegate`, started; null when it did not start.
    std::unique_ptr<platform::CaptureStream> startCapture(
        xcb_window_t window, const std::shared_ptr<RecordingDelegate>& delegate) {
        platform::ShareableWindow target;
        target.windowID = window;
        auto stream = backend_->capture().createStream(
            target, {800, 600, 1.0 / 15, false, 3, platform::kPixelFormatBGRA}, delegate);
        EXPECT_TRUE(stream->addStreamOutput(platform::StreamOutputType::screen));
        std::optional<bool> started;
        stream->startCapture([&](bool ok) { started = ok; });
        EXPECT_TRUE(runUntil([&] { return started.has_value(); }));
        return started.value_or(false) ? std::move(stream) : nullptr;
    }

    /// Whether some program redirected `window`: only then can its pixmap be named.
    [[nodiscard]] bool redirected(xcb_window_t window) {
        auto* c = x().connection();
        XReply<xcb_composite_query_version_reply_t> version(
            xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        XReply<xcb_generic_error_t> error(
            xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window, pixmap)));
        if (error) return false;
        xcb_free_pixmap(c, pixmap);
        return true;
    }

    /// A border window stroked as the program strokes it: the outer `thickness` pixels.
    std::unique_ptr<platform::BorderWindow> border(Color color, double thickness) {
        return backend_->windows().createBorderWindow([=](platform::Canvas& canvas, Rect bounds) {
            canvas.strokeRect(bounds.insetBy(thickness / 2, thickness / 2), color, thickness);
        });
    }
};

xcb_window_t idOf(const platform::BorderWindow& window) {
    return dynamic_cast<const x11::X11BorderWindow&>(window).id();
}

TEST_F(BackendOverlaysTest, theBorderIsAClickThroughBandAboveTheGame) {
    auto& game = launchGame({.number = 1, .position = "80,380"});
    auto window = border(kGreen, 6);
    const xcb_window_t id = idOf(*window);

    window->setFrame({100, 200, 400, 300}, true);  // root 100,400 on a 900-high screen
    window->orderFrontRegardless();
    const std::vector<Box> band{{0, 0, 400, 6}, {0, 294, 400, 6}, {0, 6, 6, 288}, {394, 6, 6, 288}};
    ASSERT_TRUE(runUntil([&] { return shape(id, XCB_SHAPE_SK_BOUNDING) == sorted(band); }))
        << "bounding shape never became the band";

    const auto state = attributes(id);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->map_state, XCB_MAP_STATE_VIEWABLE);
    EXPECT_TRUE(state->override_redirect);
    EXPECT_TRUE(shape(id, XCB_SHAPE_SK_INPUT).empty()) << "clicks must pass through";
    EXPECT_TRUE(x().stackedAbove(id, game.window()));
    EXPECT_EQ(x().clientRect(id), std::optional<Rect>(Rect{100, 400, 400, 300}));
    EXPECT_TRUE(runUntil([&] { return x().pixelAt(102, 550) == kGreenPixel; })) << "band not painted";
    EXPECT_NE(x().pixelAt(300, 550), kGreenPixel) << "the hole shows what lies below";
}

TEST_F(BackendOverlaysTest, theBorderComesBackAboveAWindowThatCoversIt) {
    auto window = border(kGreen, 6);
    const xcb_window_t id = idOf(*window);
    window->setFrame({100, 200, 400, 300}, true);  // root 100,400
    window->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return x().isViewable(id); }));

    // Another program's unmanaged window (a menu, an on-screen display) over the band's left edge.
    auto* c = x().connection();
    const xcb_window_t cover = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, cover, x().root(), 80, 450, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                      &overrideRedirect);
    xcb_map_window(c, cover);
    x().sync();

    EXPECT_TRUE(runUntil([&] { return x().stackedAbove(id, cover); }));
    x().destroyWindow(cover);
}

TEST_F(BackendOverlaysTest, aHiddenBorderIsUnmappedAndShowsAgainWhereItWas) {
    auto window = border(kGreen, 4);
    const xcb_window_t id = idOf(*window);
    window->setFrame({300, 300, 200, 100}, true);
    window->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return x().isViewable(id); }));

    window->orderOut();
    EXPECT_TRUE(runUntil([&] { return !x().isViewable(id); }));
    EXPECT_FALSE(window->isVisible());

    window->orderFrontRegardless();
    EXPECT_TRUE(runUntil([&] { return x().isViewable(id); }));
    EXPECT_EQ(window->frame(), (Rect{300, 300, 200, 100}));
}

xcb_window_t idOf(const platform::Panel& panel) {
    return dynamic_cast<const x11::PreviewPanel&>(panel).id();
}

TEST_F(BackendOverlaysTest, aPanelIsAStickyUndecoratedUtilityWindowAboveTheOthersWhereAsked) {
    auto& game = launchGame({.number = 1});
    RecordingContent content;
    auto panel = backend_->windows().createPanel({800, 100, 240, 135}, content);
    const xcb_window_t id = idOf(*panel);
    panel->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] {
        const auto clients = x().clientList();
        return std::find(clients.begin(), clients.end(), id) != clients.end() && x().isViewable(id);
    })) << "the window manager never managed the panel";

    EXPECT_EQ(x().atomList(id, "_NET_WM_WINDOW_TYPE"),
              std::vector<xcb_atom_t>{x().atom("_NET_WM_WINDOW_TYPE_UTILITY")});
    const auto state = x().atomList(id, "_NET_WM_STATE");
    for (const char* wanted :
         {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        EXPECT_NE(std::find(state.begin(), state.end(), x().atom(wanted)), state.end()) << wanted;
    }
    // Openbox says "on every desktop" with the desktop number alone, not with the sticky state.
    EXPECT_EQ(x().atomList(id, "_NET_WM_DESKTOP"), std::vector<std::uint32_t>{0xFFFFFFFF});
    EXPECT_EQ(x().wmClass(id), (WmClass{"corvane-preview", "Corvane"}));
    EXPECT_EQ(x().clientRect(id), std::optional<Rect>(Rect{800, 665, 240, 135}));  // 900 - 100 - 135
    EXPECT_TRUE(x().stackedAbove(id, game.window()));
    EXPECT_TRUE(runUntil([&] { return x().pixelAt(920, 730) == 0U; })) << "an empty panel is black";

    click(920, 730);
    ASSERT_TRUE(runUntil([&] { return !content.clicks.empty(); }));
    EXPECT_NE(x().inputFocus(), id) << "a click must not give the panel the focus";
    EXPECT_EQ(x().activeWindow(), game.window());
}

TEST_F(BackendOverlaysTest, draggingAPanelMovesItAndIsNoClickAlsoOnceTheGamesAreListed) {
    RecordingContent content;
    auto panel = backend_->windows().createPanel({800, 100, 240, 135}, content);
    panel->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return x().isViewable(idOf(*panel)); }));
    ASSERT_TRUE(listedByTheBackend(idOf(*panel)));

    mouse(XCB_MOTION_NOTIFY, 900, 700);
    mouse(XCB_BUTTON_PRESS, 900, 700);
    mouse(XCB_MOTION_NOTIFY, 920, 690);
    mouse(XCB_MOTION_NOTIFY, 950, 670);
    mouse(XCB_BUTTON_RELEASE, 950, 670);

    // 50 right and 30 up in root space is 30 up in framework space too (y flips).
    EXPECT_TRUE(runUntil([&] { return x().clientRect(idOf(*panel)) == Rect{850, 635, 240, 135}; }));
    EXPECT_TRUE(runUntil([&] { return panel->frame() == Rect{850, 130, 240, 135}; }));
    EXPECT_GE(content.drags, 1);
    EXPECT_TRUE(content.clicks.empty());
}

TEST_F(BackendOverlaysTest, aDoubleClickReportsOneThenTwo) {
    RecordingContent content;
    auto panel = backend_->windows().createPanel({800, 100, 240, 135}, content);
    panel->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return x().isViewable(idOf(*panel)); }));

    click(900, 700);
    click(901, 700);

    EXPECT_TRUE(runUntil([&] { return content.clicks.size() == 2; }));
    EXPECT_EQ(content.clicks, (std::vector<int>{1, 2}));
    EXPECT_EQ(content.drags, 0);
}

TEST_F(BackendOverlaysTest, aPanelMovedByTheProgramIsSentOnceAndReportsItsFrame) {
    RecordingContent content;
    auto panel = backend_->windows().createPanel({800, 100, 240, 135}, content);
    panel->orderFrontRegardless();
    ASSERT_TRUE(runUntil([&] { return x().isViewable(idOf(*panel)); }));

    panel->setFrame({600, 50, 320, 180}, true);

    EXPECT_TRUE(runUntil([&] { return x().clientRect(idOf(*panel)) == Rect{600, 670, 320, 180}; }));
    // Reports of the window manager's earlier placement may still be on their way.
    EXPECT_TRUE(runUntil([&] { return panel->frame() == Rect{600, 50, 320, 180}; }));
}

// A remembered frame may hold any size; X takes 16-bit coordinates only.
TEST_F(BackendOverlaysTest, aPanelTooWideForXIsMadeAsWideAsXAllowsAndShows) {
    StderrCapture log(session().newPath("stderr"));
    RecordingContent content;
    auto panel = backend_->windows().createPanel({0, 0, 65536, 100}, content);
    panel->orderFrontRegardless();

    EXPECT_TRUE(runUntil([&] { return x().isViewable(idOf(*panel)); }));
    settle();  // every error the server has for the backend's requests is handled by now
    EXPECT_EQ(log.finish(), "");
    EXPECT_EQ(panel->frame().width, x11::kMaxExtent);
}

// Capture ----------------------------------------------------------------------

TEST_F(BackendOverlaysTest, shareableContentListsTheGamesWithTheirPidsAndFrames) {
    const auto games = launchGames(2);

    const auto content = shareableContent();

    ASSERT_TRUE(content);
    for (auto* game : games) {
        const auto found =
            std::find_if(content->windows.begin(), content->windows.end(),
                         [&](const auto& window) { return window.windowID == game->window(); });
        ASSERT_NE(found, content->windows.end()) << "game " << game->number();
        EXPECT_EQ(found->owningPid, game->pid());
        EXPECT_TRUE(found->onScreen);
        const auto outer = x().outerFrame(game->window());
        ASSERT_TRUE(outer);
        EXPECT_EQ(found->frame.size(), outer->size());
    }
}

TEST_F(BackendOverlaysTest, aCaptureDeliversTheRedirectedWindowThatAPanelShowsScaledToFit) {
    auto& game = launchGame({.number = 1, .color = "2B4C7E", .size = "800x600"});
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stream = startCapture(game.window(), delegate);
    ASSERT_NE(stream, nullptr);

    ASSERT_TRUE(runUntil([&] { return !delegate->frames.empty(); }));
    const auto frame = delegate->frames.back();
    EXPECT_EQ(frame.pixelWidth, 800);
    EXPECT_EQ(frame.pixelHeight, 600);
    ASSERT_NE(frame.surface, nullptr);
    EXPECT_EQ(frame.surface->pixelSize(), (platform::Size{800, 600}));
    EXPECT_TRUE(redirected(game.window()));

    // 800x600 in 240x135: 180x135, 30 pixels of black on either side.
    RecordingContent content;
    auto panel = backend_->windows().createPanel({800, 100, 240, 135}, content);  // root 800,665
    panel->orderFrontRegardless();
    panel->setContents(frame.surface);
    EXPECT_TRUE(runUntil([&] { return x().pixelAt(840, 675) == 0x2B4C7EU; }))
        << "the game's colour in the panel";
    EXPECT_EQ(x().pixelAt(810, 730), 0U) << "black beside the picture";
    // Made smaller (the size slider), it shows the same picture at once, though the game draws nothing.
    ASSERT_TRUE(listedByTheBackend(idOf(*panel)));
    panel->setFrame({800, 100, 120, 68}, true);  // root 800,732
    ASSERT_TRUE(runUntil([&] { return x().clientRect(idOf(*panel)) == Rect{800, 732, 120, 68}; }));
    settle();
    EXPECT_TRUE(runUntil([&] { return x().pixelAt(860, 766) == 0x2B4C7EU; })) << "the picture after a resize";

    bool stopped = false;
    stream->stopCapture([&] { stopped = true; });
    EXPECT_TRUE(runUntil([&] { return stopped; }));
    // The server serves the backend's connection and the test's in its own order.
    EXPECT_TRUE(waitUntil([&] { return !redirected(game.window()); })) << "still redirected after the stop";
}

TEST_F(BackendOverlaysTest, aResizedWindowIsCapturedAtItsNewSize) {
    auto& game = launchGame({.number = 1, .size = "800x600"});
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stream = startCapture(game.window(), delegate);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(runUntil([&] { return !delegate->frames.empty(); }));

    const auto client = x().clientRect(game.window());
    ASSERT_TRUE(client);
    x().moveClient(game.window(), {client->x, client->y, 640, 480});

    EXPECT_TRUE(runUntil([&] { return delegate->frames.back().pixelWidth == 640; }));
    EXPECT_EQ(delegate->frames.back().pixelHeight, 480);
    EXPECT_EQ(delegate->frames.back().surface->pixelSize(), (platform::Size{640, 480}));
}

TEST_F(BackendOverlaysTest, aWindowThatKeepsChangingGetsFramesAtTheIntervalAndNoneOnceItStops) {
    auto& game = launchGame({.number = 1, .size = "800x600"});
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stream = startCapture(game.window(), delegate);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(runUntil([&] { return !delegate->frames.empty(); }));

    // Drawn 100 times a second for a second, far faster than 15 frames a second.
    auto* c = x().connection();
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, game.window(), 0, nullptr);
    const std::size_t before = delegate->frames.size();
    const auto start = std::chrono::steady_clock::now();
    for (std::uint32_t step = 0; step < 100; ++step) {
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &step);
        const xcb_rectangle_t area{0, 0, 800, 600};
        xcb_poly_fill_rectangle(c, game.window(), gc, 1, &area);
        xcb_flush(c);
        backend_->loop().runFor(0.01);
    }
    const std::size_t whileChanging = delegate->frames.size() - before;
    // A loaded machine stretches the loop: the cap counts the time that really passed.
    const std::chrono::duration<double> passed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(whileChanging, 3U) << "frames stopped while the window changed";
    EXPECT_LE(static_cast<double>(whileChanging), passed.count() * 15 + 2)
        << "more than 15 frames a second over " << passed.count() << " s";

    // A still window: the frames that follow the clock end within a second.
    backend_->loop().runFor(1.0);
    const std::size_t settled = delegate->frames.size();
    backend_->loop().runFor(0.5);
    EXPECT_EQ(delegate->frames.size(), settled) << "frames go on for a window that no longer changes";
    xcb_free_gc(c, gc);
}

TEST_F(BackendOverlaysTest, aCapturedWindowThatGoesAwayStopsTheStreamQuietly) {
    auto& game = launchGame({.number = 1});
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stream = startCapture(game.window(), delegate);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(runUntil([&] { return !delegate->frames.empty(); }));
    StderrCapture log(session().newPath("stderr"));

    quitGame(game);

    EXPECT_TRUE(runUntil([&] { return delegate->stops == 1; }));
    bool stopped = false;
    stream->stopCapture([&] { stopped = true; });
    EXPECT_TRUE(runUntil([&] { return stopped; }));
    stream.reset();
    settle();  // errors about what was freed are in and handled by now
    EXPECT_FALSE(backend_->connection().broken()) << "the connection survives";
    EXPECT_EQ(delegate->stops, 1);
    // Freeing what went with the window must not be reported as an error.
    EXPECT_EQ(log.finish(), "");
}

TEST_F(BackendOverlaysTest, aMinimisedGameIsNotOnScreenAndItsCaptureStops) {
    auto& shown = launchGame({.number = 1});
    auto& minimised = launchGame({.number = 2});
    auto delegate = std::make_shared<RecordingDelegate>();
    auto stream = startCapture(minimised.window(), delegate);
    ASSERT_NE(stream, nullptr);

    // ICCCM's request to iconify, as a taskbar sends it.
    constexpr std::uint32_t kIconicState = 3;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = minimised.window();
    message.type = x().atom("WM_CHANGE_STATE");
    message.data.data32[0] = kIconicState;
    xcb_send_event(x().connection(), 0, x().root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    x().sync();

    EXPECT_TRUE(runUntil([&] { return delegate->stops == 1; }));
    const auto content = shareableContent();
    ASSERT_TRUE(content);
    const auto listed = [&](xcb_window_t window) {
        return std::any_of(content->windows.begin(), content->windows.end(),
                           [&](const auto& entry) { return entry.windowID == window; });
    };
    EXPECT_TRUE(listed(shown.window()));
    EXPECT_FALSE(listed(minimised.window())) << "only windows on screen were asked for";
}

// Only a server without Composite fails a start, which the panel reads as
// "cannot capture": a window that went away or was unmapped since it was
// listed stops the stream at once instead, and the preview looks again.
TEST_F(BackendOverlaysTest, aCaptureOfAWindowGoneOrUnmappedSinceItWasListedStopsAtOnce) {
    for (const bool destroyed : {true, false}) {
        SCOPED_TRACE(destroyed ? "destroyed" : "unmapped");
        const xcb_window_t window = x().createProbeWindow();
        // Mapped by the window manager in its own time: unmapped earlier, it would be mapped after.
        ASSERT_TRUE(waitUntil([&] { return x().isViewable(window); }));
        if (destroyed) {
            x().destroyWindow(window);
        } else {
            x().unmap(window);
        }
        x().sync();
        auto delegate = std::make_shared<RecordingDelegate>();

        auto stream = startCapture(window, delegate);

        EXPECT_NE(stream, nullptr) << "a failed start: the panel would say the server cannot capture";
        EXPECT_TRUE(runUntil([&] { return delegate->stops == 1; }));
        EXPECT_TRUE(delegate->frames.empty());
        if (!destroyed) x().destroyWindow(window);
    }
}

}  // namespace
}  // namespace corvane::x11test
