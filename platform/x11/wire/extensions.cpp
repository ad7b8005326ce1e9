#include "platform/x11/wire/extensions.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/render.h>
#include <xcb/res.h>
#include <xcb/shape.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <utility>

#include "platform/x11/keys/xcb_xkb.h"

namespace corvane::x11 {

namespace {

/// The oldest versions whose requests the backend makes.
constexpr std::uint32_t kCompositeLeastMinor = 2;  // NameWindowPixmap
constexpr std::uint32_t kRenderLeastMinor = 6;     // transforms and filters
constexpr std::uint32_t kResLeastMinor = 2;        // QueryClientIds

Extension present(xcb_connection_t* c, xcb_extension_t* id) {
    Extension extension;
    const auto* data = xcb_get_extension_data(c, id);
    if (data == nullptr || data->present == 0) return extension;
    extension.majorOpcode = data->major_opcode;
    extension.firstEvent = data->first_event;
    extension.firstError = data->first_error;
    return extension;
}

/// Takes the version from a reply that carries one; a reply that is missing makes it unusable.
template <typename Reply>
void versionFrom(Extension& extension, Reply* reply) {
    if (reply == nullptr) return;
    extension.majorVersion = reply->major_version;
    extension.minorVersion = reply->minor_version;
    extension.usable = true;
    std::free(reply);
}

/// X-Resource names its version fields apart from the others.
void resVersionFrom(Extension& extension, xcb_res_query_version_reply_t* reply) {
    if (reply == nullptr) return;
    extension.majorVersion = reply->server_major;
    extension.minorVersion = reply->server_minor;
    extension.usable = extension.majorVersion > 1 ||
                       (extension.majorVersion == 1 && extension.minorVersion >= kResLeastMinor);
    std::free(reply);
}

}  // namespace

Extensions Extensions::query(xcb_connection_t* c) {
    std::array<xcb_extension_t*, 7> ids{&xcb_shape_id, &xcb_composite_id, &xcb_damage_id, &xcb_render_id,
                                        &xcb_randr_id, &xcb_xkb_id,       &xcb_res_id};
    for (auto* id : ids) xcb_prefetch_extension_data(c, id);
    Extensions found;
    found.shape = present(c, &xcb_shape_id);
    found.composite = present(c, &xcb_composite_id);
    found.damage = present(c, &xcb_damage_id);
    found.render = present(c, &xcb_render_id);
    found.randr = present(c, &xcb_randr_id);
    found.xkb = present(c, &xcb_xkb_id);
    found.res = present(c, &xcb_res_id);

    // Every version request out first; each is only sent for a present extension.
    const auto ask = [](const Extension& extension, auto send) {
        return extension.majorOpcode != 0 ? std::optional(send()) : std::nullopt;
    };
    auto shape = ask(found.shape, [&] { return xcb_shape_query_version(c); });
    auto composite = ask(found.composite, [&] { return xcb_composite_query_version(c, 0, 4); });
    auto damage = ask(found.damage, [&] { return xcb_damage_query_version(c, 1, 1); });
    auto render = ask(found.render, [&] { return xcb_render_query_version(c, 0, 11); });
    auto randr = ask(found.randr, [&] { return xcb_randr_query_version(c, 1, 5); });
    auto res = ask(found.res, [&] { return xcb_res_query_version(c, 1, 2); });
    constexpr std::string_view kXwayland = "XWAYLAND";
    auto xwayland = xcb_query_extension(c, static_cast<std::uint16_t>(kXwayland.size()), kXwayland.data());
    auto xkb = ask(found.xkb,
                   [&] { return xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION); });

    if (shape) versionFrom(found.shape, xcb_shape_query_version_reply(c, *shape, nullptr));
    if (composite) versionFrom(found.composite, xcb_composite_query_version_reply(c, *composite, nullptr));
    if (damage) versionFrom(found.damage, xcb_damage_query_version_reply(c, *damage, nullptr));
    if (render) versionFrom(found.render, xcb_render_query_version_reply(c, *render, nullptr));
    if (randr) versionFrom(found.randr, xcb_randr_query_version_reply(c, *randr, nullptr));
    if (res) resVersionFrom(found.res, xcb_res_query_version_reply(c, *res, nullptr));
    if (xkb) {
        auto* reply = xcb_xkb_use_extension_reply(c, *xkb, nullptr);
        found.xkb.usable = reply != nullptr && reply->supported != 0;
        if (reply != nullptr) {
            found.xkb.majorVersion = reply->serverMajor;
            found.xkb.minorVersion = reply->serverMinor;
        }
        std::free(reply);
    }
    if (auto* reply = xcb_query_extension_reply(c, xwayland, nullptr)) {
        found.xwayland = reply->present != 0;
        std::free(reply);
    }
    // XWayland before 23 has no extension of that name; a Wayland session says so in the environment.
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0') found.xwayland = true;
    if (found.composite.majorVersion == 0 && found.composite.minorVersion < kCompositeLeastMinor) {
        found.composite.usable = false;
    }
    if (found.render.majorVersion == 0 && found.render.minorVersion < kRenderLeastMinor)
        found.render.usable = false;
    if (found.randr.majorVersion < 1) found.randr.usable = false;
    return found;
}

std::string_view Extensions::nameOfMajor(std::uint8_t majorOpcode) const {
    const std::array<std::pair<const Extension*, std::string_view>, 7> named{{{&shape, "SHAPE"},
                                                                              {&composite, "Composite"},
                                                                              {&damage, "DAMAGE"},
                                                                              {&render, "RENDER"},
                                                                              {&randr, "RANDR"},
                                                                              {&xkb, "XKEYBOARD"},
                                                                              {&res, "X-Resource"}}};
    for (const auto& [extension, name] : named) {
        if (extension->majorOpcode != 0 && extension->majorOpcode == majorOpcode) return name;
    }
    return {};
}

}  // namespace corvane::x11
