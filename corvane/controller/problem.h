#pragma once

#include <string>
#include <vector>

#include "platform/platform_texts.h"

namespace corvane {

/// Something the user chose that does not work now. The panel shows each in
/// the platform's words, and the terminal says the same.
enum class Problem {
    hotkeyTaken,         ///< another program holds the switch key
    hotkeyMissing,       ///< the keyboard has no such key
    jumpKeysTaken,       ///< another program holds some jump keys
    jumpKeysMissing,     ///< the keyboard lacks some jump keys
    jumpKeysCollide,     ///< a jump key is the switch key
    captureUnavailable,  ///< the previews cannot capture windows
};

/// The platform's words for `problem`.
const std::string& text(const platform::PlatformTexts& texts, Problem problem);

}  // namespace corvane
