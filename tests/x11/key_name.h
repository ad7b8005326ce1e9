#pragma once

#include <algorithm>
#include <string>

#include "platform/x11/keys/key_translation.h"

namespace corvane::x11test {

/// An XKB key name from its text ("FK13"), padded with zeros as XKB keeps it.
inline x11::XkbKeyName keyName(const std::string& name) {
    x11::XkbKeyName result{};
    std::copy_n(name.begin(), std::min(name.size(), result.size()), result.begin());
    return result;
}

}  // namespace corvane::x11test
