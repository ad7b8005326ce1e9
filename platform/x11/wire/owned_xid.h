// RAII owners of server resources the program made (windows, pixmaps, pictures).
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <utility>

namespace corvane::x11 {

/// A server resource the program created (window, pixmap, picture...), freed
/// with `Free` when this object goes. Move-only: exactly one owner frees it.
template <auto Free>
class OwnedXid {
public:
    OwnedXid() = default;
    OwnedXid(xcb_connection_t* connection, std::uint32_t id) : connection_(connection), id_(id) {}
    OwnedXid(OwnedXid&& other) noexcept : connection_(other.connection_), id_(std::exchange(other.id_, 0)) {}
    OwnedXid& operator=(OwnedXid&& other) noexcept {
        if (this != &other) {
            reset();
            connection_ = other.connection_;
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    OwnedXid(const OwnedXid&) = delete;
    OwnedXid& operator=(const OwnedXid&) = delete;
    ~OwnedXid() { reset(); }

    [[nodiscard]] std::uint32_t get() const { return id_; }
    explicit operator bool() const { return id_ != 0; }

    void reset() {
        if (id_ != 0) Free(connection_, std::exchange(id_, 0));
    }
    /// Forgets the resource without freeing it: it was freed another way (a
    /// damage object goes with its window).
    void release() { id_ = 0; }

private:
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t id_ = 0;
};

using OwnedWindow = OwnedXid<&xcb_destroy_window>;
using OwnedPixmap = OwnedXid<&xcb_free_pixmap>;
using OwnedGc = OwnedXid<&xcb_free_gc>;
using OwnedColormap = OwnedXid<&xcb_free_colormap>;
using OwnedPicture = OwnedXid<&xcb_render_free_picture>;
using OwnedDamage = OwnedXid<&xcb_damage_destroy>;

}  // namespace corvane::x11
