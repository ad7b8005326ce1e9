#include "platform/x11/capture/x11_capture.h"

#include <xcb/composite.h>
#include <xcb/damage.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

namespace corvane::x11 {

X11Capture::X11Capture(const Connection& connection, EventLoop& loop, X11Accessibility& accessibility,
                       WindowCache& cache)
    : connection_(connection), loop_(loop), accessibility_(accessibility), cache_(cache) {}

const CaptureExtensions& X11Capture::extensions() {
    if (extensions_) return *extensions_;
    const Extensions& extensions = connection_.extensions();
    formats_.emplace(connection_);
    CaptureExtensions found;
    found.formats = &*formats_;
    found.available = extensions.composite.usable && extensions.damage.usable && formats_->available();
    found.damageNotify = static_cast<std::uint8_t>(extensions.damage.firstEvent + XCB_DAMAGE_NOTIFY);
    found.badDamage = static_cast<std::uint8_t>(extensions.damage.firstError + XCB_DAMAGE_BAD_DAMAGE);
    extensions_ = found;
    return *extensions_;
}

void X11Capture::getShareableContent(
    bool /*excludeDesktopWindows*/, bool onScreenWindowsOnly,
    std::function<void(std::optional<platform::ShareableContent>)> completion) {
    loop_.post([this, alive = std::weak_ptr<bool>(lifetime_), onScreenWindowsOnly,
                completion = std::move(completion)] {
        if (!alive.lock()) return;
        completion(extensions().available ? shareableContent(onScreenWindowsOnly) : std::nullopt);
    });
}

std::optional<platform::ShareableContent> X11Capture::shareableContent(bool onScreenWindowsOnly) {
    const xcb_atom_t hidden = connection_.atoms().netWmStateHidden;
    const auto* listed = cache_.clients();
    if (listed == nullptr) return platform::ShareableContent{};
    // A copy: the reads below may read the list again.
    const auto clients = std::make_optional(*listed);
    // Every request out before the first reply is awaited.
    std::vector<xcb_window_t> ids;
    std::vector<AttributesCookie> attributes;
    std::vector<PropertyCookie> states;
    for (const auto& client : *clients) {
        ids.push_back(client.window);
        attributes.push_back(connection_.getAttributes(client.window));
        states.push_back(connection_.getProperty(client.window, connection_.atoms().netWmState, 64));
    }
    cache_.prefetchPlacements(ids);
    platform::ShareableContent content;
    for (std::size_t i = 0; i < clients->size(); ++i) {
        const auto* window = attributes[i].get();
        const auto& client = (*clients)[i];
        const auto position = accessibility_.position(client.window);
        const auto size = accessibility_.size(client.window);
        if (window == nullptr || !position || !size) continue;  // gone meanwhile
        const auto state = values32(states[i].get());
        const bool minimised = std::find(state.begin(), state.end(), hidden) != state.end();
        const bool onScreen = window->map_state == XCB_MAP_STATE_VIEWABLE && !minimised;
        if (onScreenWindowsOnly && !onScreen) continue;
        content.windows.push_back(
            {client.pid, {position->x, position->y, size->width, size->height}, client.window, onScreen});
    }
    return content;
}

std::unique_ptr<platform::CaptureStream> X11Capture::createStream(
    const platform::ShareableWindow& window, const platform::StreamConfiguration& configuration,
    std::weak_ptr<platform::StreamDelegate> delegate) {
    // The cache selects the window's structure events, which the stream follows.
    cache_.watch(static_cast<xcb_window_t>(window.windowID));
    return std::make_unique<CompositeStream>(connection_, loop_, extensions(), window.windowID, configuration,
                                             std::move(delegate));
}

}  // namespace corvane::x11
