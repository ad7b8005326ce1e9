#pragma once

#include <cstdint>
#include <string>

namespace fake_game {

/// The X keysym name ("a", "grave", "F13", "Return") of the keysyms a test
/// types; "0x" and the hexadecimal value for the others.
[[nodiscard]] std::string keysymName(std::uint32_t keysym);

}  // namespace fake_game
