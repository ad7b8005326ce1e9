#include "x_inspector.h"

#include <sys/uio.h>
#include <xcb/randr.h>
#include <xcb/xcbext.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace corvane::x11test {
namespace {

constexpr std::uint32_t kSourcePager = 2;
constexpr std::uint32_t kStaticGravity = 10;
// _NET_MOVERESIZE_WINDOW flags: x, y, width and height present.
constexpr std::uint32_t kMoveResizeAll = (1U << 8U) | (1U << 9U) | (1U << 10U) | (1U << 11U);
constexpr int kDragSteps = 8;

std::optional<std::uint32_t> onePixel(xcb_connection_t* c, xcb_drawable_t drawable, int x, int y) {
    XReply<xcb_get_image_reply_t> image(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<std::int16_t>(x),
                      static_cast<std::int16_t>(y), 1, 1, ~0U),
        nullptr));
    if (!image || xcb_get_image_data_length(image.get()) < 4) return std::nullopt;
    // Depth 24 in 32-bit little-endian pixels: blue, green, red, padding.
    const std::uint8_t* data = xcb_get_image_data(image.get());
    return static_cast<std::uint32_t>(data[0] | (data[1] << 8U) | (data[2] << 16U));
}

}  // namespace

XInspector::XInspector(const std::string& display) : display_(display) {
    int screenNumber = 0;
    connection_.reset(xcb_connect(display.c_str(), &screenNumber));
    if (xcb_connection_has_error(connection_.get()) != 0) {
        throw std::runtime_error("cannot connect to " + display);
    }
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(connection_.get()));
    for (int i = 0; i < screenNumber; ++i) xcb_screen_next(&iterator);
    screen_ = iterator.data;
}

platform::Rect XInspector::rootGeometry() const {
    return {0, 0, static_cast<double>(screen_->width_in_pixels),
            static_cast<double>(screen_->height_in_pixels)};
}

xcb_atom_t XInspector::atom(const std::string& name) {
    if (auto found = atoms_.find(name); found != atoms_.end()) return found->second;
    auto* c = connection();
    XReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    atoms_[name] = value;
    return value;
}

std::vector<std::uint32_t> XInspector::cardinals(xcb_window_t window, const std::string& name,
                                                 xcb_atom_t type) {
    auto* c = connection();
    XReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom(name), type, 0, 4096), nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    const auto count = static_cast<std::size_t>(xcb_get_property_value_length(reply.get())) / 4;
    return {values, values + count};
}

std::vector<xcb_window_t> XInspector::clientList() {
    return cardinals(root(), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
}

std::optional<xcb_window_t> XInspector::activeWindow() {
    const auto values = cardinals(root(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    if (values.empty() || values[0] == XCB_WINDOW_NONE) return std::nullopt;
    return values[0];
}

bool XInspector::windowManagerRunning() {
    const auto check = cardinals(root(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
    if (check.empty()) return false;
    const auto self = cardinals(check[0], "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
    return !self.empty() && self[0] == check[0];
}

std::optional<platform::Rect> XInspector::workArea() {
    const auto values = cardinals(root(), "_NET_WORKAREA", XCB_ATOM_CARDINAL);
    if (values.size() < 4) return std::nullopt;
    return platform::Rect{static_cast<double>(values[0]), static_cast<double>(values[1]),
                          static_cast<double>(values[2]), static_cast<double>(values[3])};
}

xcb_window_t XInspector::inputFocus() const {
    auto* c = connection();
    XReply<xcb_get_input_focus_reply_t> reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return reply ? reply->focus : xcb_window_t{XCB_WINDOW_NONE};
}

std::optional<std::uint32_t> XInspector::pid(xcb_window_t window) {
    const auto values = cardinals(window, "_NET_WM_PID", XCB_ATOM_CARDINAL);
    if (values.empty()) return std::nullopt;
    return values[0];
}

std::optional<WmClass> XInspector::wmClass(xcb_window_t window) const {
    auto* c = connection();
    XReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 1024), nullptr));
    if (!reply || reply->format != 8) return std::nullopt;
    const std::string text(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    const auto split = text.find('\0');
    if (split == std::string::npos) return std::nullopt;
    std::string className = text.substr(split + 1);
    if (!className.empty() && className.back() == '\0') className.pop_back();
    return WmClass{text.substr(0, split), className};
}

std::optional<std::string> XInspector::utf8Property(xcb_window_t window, const std::string& name) {
    auto* c = connection();
    XReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
    if (!reply || reply->format != 8) return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
}

bool XInspector::isViewable(xcb_window_t window) const {
    auto* c = connection();
    XReply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::vector<xcb_atom_t> XInspector::atomList(xcb_window_t window, const std::string& name) {
    auto* c = connection();
    XReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom(name), XCB_ATOM_ANY, 0, 64), nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

std::vector<xcb_window_t> XInspector::topLevelWindowsOf(std::uint32_t processId) {
    auto* c = connection();
    XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root()), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_window_t> result;
    for (int i = 0; i < count; ++i) {
        if (pid(children[i]) == processId) result.push_back(children[i]);
    }
    for (const xcb_window_t managed : clientList()) {
        if (pid(managed) == processId) result.push_back(managed);
    }
    return result;
}

std::optional<std::uint32_t> XInspector::pixelAt(int rootX, int rootY) const {
    return onePixel(connection(), root(), rootX, rootY);
}

std::optional<std::uint32_t> XInspector::windowPixel(xcb_window_t window, int x, int y) const {
    return onePixel(connection(), window, x, y);
}

std::vector<xcb_window_t> XInspector::allWindows() const {
    auto* c = connection();
    std::vector<xcb_window_t> windows;
    std::vector<xcb_window_t> parents = {root()};
    while (!parents.empty()) {
        const xcb_window_t parent = parents.back();
        parents.pop_back();
        XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr));
        if (!tree) continue;  // gone meanwhile
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        windows.insert(windows.end(), children, children + count);
        parents.insert(parents.end(), children, children + count);
    }
    return windows;
}

std::optional<std::array<std::uint32_t, 4>> XInspector::frameExtents(xcb_window_t window) {
    const auto values = cardinals(window, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);
    if (values.size() < 4) return std::nullopt;
    return std::array{values[0], values[1], values[2], values[3]};
}

std::optional<platform::Rect> XInspector::clientRect(xcb_window_t window) const {
    auto* c = connection();
    auto geometryCookie = xcb_get_geometry(c, window);
    auto translateCookie = xcb_translate_coordinates(c, window, root(), 0, 0);
    XReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookie, nullptr));
    XReply<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, translateCookie, nullptr));
    if (!geometry || !origin) return std::nullopt;
    return platform::Rect{static_cast<double>(origin->dst_x), static_cast<double>(origin->dst_y),
                          static_cast<double>(geometry->width), static_cast<double>(geometry->height)};
}

std::optional<platform::Rect> XInspector::outerFrame(xcb_window_t window) {
    const auto client = clientRect(window);
    const auto extents = frameExtents(window);
    if (!client || !extents) return std::nullopt;
    const auto [left, right, top, bottom] = *extents;
    return platform::Rect{client->x - left, client->y - top, client->width + left + right,
                          client->height + top + bottom};
}

void XInspector::sendRootMessage(xcb_window_t window, const std::string& type,
                                 const std::array<std::uint32_t, 5>& data) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(type);
    for (std::size_t i = 0; i < data.size(); ++i) event.data.data32[i] = data.at(i);
    xcb_send_event(connection(), 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection());
}

void XInspector::activate(xcb_window_t window) {
    sendRootMessage(window, "_NET_ACTIVE_WINDOW",
                    {kSourcePager, XCB_CURRENT_TIME, activeWindow().value_or(XCB_WINDOW_NONE), 0, 0});
}

void XInspector::moveClient(xcb_window_t window, platform::Rect client) {
    sendRootMessage(window, "_NET_MOVERESIZE_WINDOW",
                    {kMoveResizeAll | kStaticGravity | (kSourcePager << 12U),
                     static_cast<std::uint32_t>(static_cast<std::int32_t>(client.x)),
                     static_cast<std::uint32_t>(static_cast<std::int32_t>(client.y)),
                     static_cast<std::uint32_t>(client.width), static_cast<std::uint32_t>(client.height)});
}

void XInspector::close(xcb_window_t window) {
    sendRootMessage(window, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, kSourcePager, 0, 0, 0});
}

void XInspector::click(int rootX, int rootY, std::uint8_t button) const {
    auto* c = connection();
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root(), static_cast<std::int16_t>(rootX),
                        static_cast<std::int16_t>(rootY), 0);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

void XInspector::drag(std::pair<int, int> from, std::pair<int, int> to) const {
    auto* c = connection();
    const auto move = [&](int px, int py) {
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root(), static_cast<std::int16_t>(px),
                            static_cast<std::int16_t>(py), 0);
        sync();
    };
    move(from.first, from.second);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    for (int step = 1; step <= kDragSteps; ++step) {
        move(from.first + (to.first - from.first) * step / kDragSteps,
             from.second + (to.second - from.second) * step / kDragSteps);
    }
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    sync();
}

XInspector::KeyboardMap XInspector::keyboardMap() const {
    auto* c = connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    XReply<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr));
    if (!mapping || mapping->keysyms_per_keycode == 0) throw std::runtime_error("no keyboard map");
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    return {setup->min_keycode,
            mapping->keysyms_per_keycode,
            {keysyms, keysyms + xcb_get_keyboard_mapping_keysyms_length(mapping.get())}};
}

std::optional<xcb_keycode_t> XInspector::keycodeOf(xcb_keysym_t keysym) {
    const KeyboardMap map = keyboardMap();
    const auto found = std::find(map.keysyms.begin(), map.keysyms.end(), keysym);
    if (found == map.keysyms.end()) return std::nullopt;
    const auto index = static_cast<std::size_t>(found - map.keysyms.begin());
    return static_cast<xcb_keycode_t>(map.firstKeycode + index / map.perKeycode);
}

std::vector<xcb_keysym_t> XInspector::keyRow(xcb_keycode_t keycode) {
    const KeyboardMap map = keyboardMap();
    const auto begin =
        map.keysyms.begin() + static_cast<std::ptrdiff_t>(keycode - map.firstKeycode) * map.perKeycode;
    return {begin, begin + map.perKeycode};
}

void XInspector::setKeyRow(xcb_keycode_t keycode, const std::vector<xcb_keysym_t>& keysyms) {
    std::vector<xcb_keysym_t> row(keyboardMap().perKeycode, 0);
    std::copy_n(keysyms.begin(), std::min(keysyms.size(), row.size()), row.begin());
    xcb_change_keyboard_mapping(connection(), 1, keycode, static_cast<std::uint8_t>(row.size()), row.data());
    sync();
}

void XInspector::typeChord(const std::vector<xcb_keysym_t>& keysyms) {
    std::vector<xcb_keycode_t> keycodes;
    for (const xcb_keysym_t keysym : keysyms) {
        const auto keycode = keycodeOf(keysym);
        if (!keycode) throw std::runtime_error("no key for keysym " + std::to_string(keysym));
        keycodes.push_back(*keycode);
    }
    typeKeycodes(keycodes);
}

void XInspector::typeKeycodes(const std::vector<xcb_keycode_t>& keycodes) const {
    auto* c = connection();
    for (const xcb_keycode_t keycode : keycodes) {
        xcb_test_fake_input(c, XCB_KEY_PRESS, keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    }
    for (auto keycode = keycodes.rbegin(); keycode != keycodes.rend(); ++keycode) {
        xcb_test_fake_input(c, XCB_KEY_RELEASE, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    }
    sync();
}

bool XInspector::keyGrabbed(xcb_keycode_t keycode, std::uint16_t modifiers) const {
    auto* c = connection();
    const XReply<xcb_generic_error_t> refused(xcb_request_check(
        c, xcb_grab_key_checked(c, 1, root(), modifiers, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
    if (!refused) xcb_ungrab_key(c, keycode, root(), modifiers);
    sync();
    return refused != nullptr;
}

std::array<std::vector<xcb_keycode_t>, 8> XInspector::modifierMap() const {
    auto* c = connection();
    XReply<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    std::array<std::vector<xcb_keycode_t>, 8> modifiers;
    if (!reply) return modifiers;
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply.get());
    const std::size_t perModifier = reply->keycodes_per_modifier;
    for (std::size_t modifier = 0; modifier < modifiers.size(); ++modifier) {
        for (std::size_t i = 0; i < perModifier; ++i) {
            if (const xcb_keycode_t code = codes[modifier * perModifier + i]; code != 0) {
                modifiers.at(modifier).push_back(code);
            }
        }
    }
    return modifiers;
}

void XInspector::setModifierMap(const std::array<std::vector<xcb_keycode_t>, 8>& modifiers) const {
    std::size_t perModifier = 0;
    for (const auto& codes : modifiers) perModifier = std::max(perModifier, codes.size());
    std::vector<xcb_keycode_t> table(perModifier * modifiers.size(), 0);
    for (std::size_t modifier = 0; modifier < modifiers.size(); ++modifier) {
        std::copy(modifiers.at(modifier).begin(), modifiers.at(modifier).end(),
                  table.begin() + static_cast<std::ptrdiff_t>(modifier * perModifier));
    }
    auto* c = connection();
    std::free(xcb_set_modifier_mapping_reply(
        c, xcb_set_modifier_mapping(c, static_cast<std::uint8_t>(perModifier), table.data()), nullptr));
}

std::uint16_t XInspector::modifierState() const {
    auto* c = connection();
    XReply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, root()), nullptr));
    return pointer ? pointer->mask : 0;
}

std::optional<xcb_window_t> XInspector::childNamed(const std::string& name) const {
    const auto named = childrenNamed(name);
    if (named.empty()) return std::nullopt;
    return named.front();
}

std::vector<xcb_window_t> XInspector::childrenNamed(const std::string& name) const {
    auto* c = connection();
    XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root()), nullptr));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    std::vector<xcb_window_t> named;
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        XReply<xcb_get_property_reply_t> title(xcb_get_property_reply(
            c, xcb_get_property(c, 0, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64), nullptr));
        if (!title) continue;
        const auto* text = static_cast<const char*>(xcb_get_property_value(title.get()));
        if (std::string(text, static_cast<std::size_t>(xcb_get_property_value_length(title.get()))) == name) {
            named.push_back(children[i]);
        }
    }
    return named;
}

xcb_window_t XInspector::topLevelOf(xcb_window_t window) const {
    auto* c = connection();
    for (;;) {
        XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
}

bool XInspector::stackedAbove(xcb_window_t upper, xcb_window_t lower) const {
    upper = topLevelOf(upper);
    lower = topLevelOf(lower);
    auto* c = connection();
    XReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root()), nullptr));
    if (!tree) return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const auto* end = children + xcb_query_tree_children_length(tree.get());
    const auto* upperAt = std::find(children, end, upper);
    const auto* lowerAt = std::find(children, end, lower);
    return upperAt != end && lowerAt != end && upperAt > lowerAt;  // bottom to top
}

xcb_window_t XInspector::createProbeWindow() {
    auto* c = connection();
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root(), 0, 0, 64, 64, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen_->root_visual, 0, nullptr);
    const std::string name = "probe";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(name.size()), name.data());
    xcb_map_window(c, window);
    sync();
    return window;
}

void XInspector::destroyWindow(xcb_window_t window) const {
    xcb_destroy_window(connection(), window);
    sync();
}

void XInspector::unmap(xcb_window_t window) const {
    xcb_unmap_window(connection(), window);
    sync();
}

void XInspector::map(xcb_window_t window) const {
    xcb_map_window(connection(), window);
    sync();
}

void XInspector::removeMonitor(const std::string& name) {
    auto* c = connection();
    XReply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_randr_delete_monitor_checked(c, root(), atom(name))));
    if (error) throw std::runtime_error("the X server kept monitor " + name);
}

void XInspector::addMonitor(const std::string& name, platform::Rect frame, bool primary) {
    constexpr double kPixelsPerMillimetre = 96 / 25.4;
    auto* c = connection();
    XReply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
    if (!version || (version->major_version == 1 && version->minor_version < 5)) {
        throw std::runtime_error("the X server has no RandR 1.5 monitors");
    }
    // libxcb's xcb_randr_set_monitor sends a request the server cannot read
    // (the connection closes with "request length exceeded"): build it here.
    struct SetMonitorRequest {
        std::uint8_t majorOpcode;
        std::uint8_t minorOpcode;
        std::uint16_t length;
        xcb_window_t window;
        xcb_randr_monitor_info_t info;
        xcb_randr_output_t output;
    } request{};
    static_assert(sizeof(SetMonitorRequest) == 36);
    request.window = root();
    request.info.name = atom(name);
    request.info.primary = primary ? 1 : 0;
    request.info.x = static_cast<std::int16_t>(frame.x);
    request.info.y = static_cast<std::int16_t>(frame.y);
    request.info.width = static_cast<std::uint16_t>(frame.width);
    request.info.height = static_cast<std::uint16_t>(frame.height);
    request.info.width_in_millimeters = static_cast<std::uint32_t>(frame.width / kPixelsPerMillimetre);
    request.info.height_in_millimeters = static_cast<std::uint32_t>(frame.height / kPixelsPerMillimetre);
    std::size_t length = sizeof request - sizeof request.output;
    if (primary) {
        XReply<xcb_randr_get_screen_resources_current_reply_t> resources(
            xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, root()),
                                                         nullptr));
        if (resources && xcb_randr_get_screen_resources_current_outputs_length(resources.get()) > 0) {
            request.info.nOutput = 1;
            request.output = xcb_randr_get_screen_resources_current_outputs(resources.get())[0];
            length = sizeof request;
        }
    }
    // xcb_send_request may use the two entries before the ones it is given.
    std::array<iovec, 4> parts{};
    parts[2] = {&request, length};
    xcb_protocol_request_t protocol{2, &xcb_randr_id, XCB_RANDR_SET_MONITOR, 0};
    const unsigned sequence = xcb_send_request(c, XCB_REQUEST_CHECKED, &parts[2], &protocol);
    XReply<xcb_generic_error_t> error(xcb_request_check(c, xcb_void_cookie_t{sequence}));
    if (error || xcb_connection_has_error(c) != 0)
        throw std::runtime_error("RandR refused the monitor " + name);
}

void XInspector::sync() const {
    auto* c = connection();
    XReply<xcb_get_input_focus_reply_t> reply(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    // Nothing here selects events; what arrives is errors about windows that
    // vanished under a request, which tests expect and ignore.
    while (XReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
    }
}

XInspector::UnmapWatch::UnmapWatch(const std::string& display, xcb_window_t window)
    : connection_(xcb_connect(display.c_str(), nullptr)), window_(window) {
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_.get(), window, XCB_CW_EVENT_MASK, &mask);
    XReply<xcb_get_input_focus_reply_t> synced(
        xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
}

int XInspector::UnmapWatch::count() {
    auto* c = connection_.get();
    XReply<xcb_get_input_focus_reply_t> synced(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (XReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
        if ((event->response_type & 0x7FU) == XCB_UNMAP_NOTIFY &&
            reinterpret_cast<const xcb_unmap_notify_event_t*>(event.get())->window == window_) {
            ++count_;
        }
    }
    return count_;
}

bool XInspector::answersPing(xcb_window_t window) {
    // A connection of its own, so that the root's events it selects pile up nowhere else.
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, Disconnect> listener(xcb_connect(display_.c_str(), &screenNumber));
    auto* c = listener.get();
    if (xcb_connection_has_error(c) != 0) return false;
    // Qt answers to the root's StructureNotify and SubstructureRedirect selectors.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen_->root, XCB_CW_EVENT_MASK, &mask);
    constexpr std::uint32_t kStamp = 0x5EED;
    xcb_client_message_event_t ping{};
    ping.response_type = XCB_CLIENT_MESSAGE;
    ping.format = 32;
    ping.window = window;
    ping.type = atom("WM_PROTOCOLS");
    ping.data.data32[0] = atom("_NET_WM_PING");
    ping.data.data32[1] = kStamp;
    ping.data.data32[2] = window;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ping));
    xcb_flush(c);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XReply<xcb_generic_event_t> event{xcb_poll_for_event(c)}) {
            if ((event->response_type & 0x7FU) != XCB_CLIENT_MESSAGE) continue;
            const auto* pong = reinterpret_cast<const xcb_client_message_event_t*>(event.get());
            if (pong->data.data32[0] == ping.data.data32[0] && pong->data.data32[1] == kStamp) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace corvane::x11test
