// Which X server a display name reaches, the same for every spelling of it.
#pragma once

#include <optional>
#include <string>

namespace corvane::x11 {

/// Which X server a display name reaches, the same for every spelling of it
/// (":1", "unix:1", ":01", ":1.0", the server's socket path): "host:number",
/// the host empty for this machine's own socket. Read as xcb reads the name,
/// without connecting. nullopt when the name names no display.
[[nodiscard]] std::optional<std::string> displayIdentity(const std::string& name);

}  // namespace corvane::x11
