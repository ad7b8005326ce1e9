#pragma once

#include <cstdlib>

namespace corvane::platform {

/// Frees what a C library handed over from malloc: xcb's replies, errors and
/// events. For std::unique_ptr, so that every path frees them.
struct FreeDeleter {
    void operator()(void* pointer) const noexcept { std::free(pointer); }
};

}  // namespace corvane::platform
