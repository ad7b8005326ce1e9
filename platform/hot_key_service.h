#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace corvane::platform {

/// Key codes are the classic Macintosh virtual key codes and modifier masks the
/// Carbon ones: the program speaks that vocabulary on every platform and each
/// backend translates it.
namespace modifier {
inline constexpr std::uint32_t kCommand = 0x0100;
inline constexpr std::uint32_t kShift = 0x0200;
inline constexpr std::uint32_t kOption = 0x0800;
inline constexpr std::uint32_t kControl = 0x1000;
}  // namespace modifier

/// Status of a registration: 0 is success.
using HotKeyStatus = std::int32_t;
inline constexpr HotKeyStatus kHotKeyNoError = 0;
/// The combination is already held by the system or another program.
inline constexpr HotKeyStatus kHotKeyExistsError = -9878;
/// The combination cannot be expressed on this keyboard.
inline constexpr HotKeyStatus kHotKeyInvalidError = -9879;

struct HotKeyID {
    std::uint32_t signature = 0;  ///< four-character code, first letter most significant
    std::uint32_t id = 0;
    friend bool operator==(const HotKeyID&, const HotKeyID&) = default;
};

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24U) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16U) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8U) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]));
}

/// A hot-key press as the platform reports it.
struct HotKeyEvent {
    std::optional<HotKeyID> hotKeyID;  ///< nullopt when the identifier cannot be read
};

using HotKeyRef = std::uint64_t;
using HotKeyHandlerRef = std::uint64_t;
/// Called for each press of a registered combination; returns a status (0 = handled).
using HotKeyHandler = std::function<std::int32_t(const HotKeyEvent* event)>;

struct HotKeyRegistration {
    HotKeyStatus status = kHotKeyNoError;
    std::optional<HotKeyRef> ref;  ///< set on success
};

/// System-wide hot keys: delivered to this process wherever the keyboard focus is.
class HotKeyService {
public:
    virtual ~HotKeyService() = default;
    /// Installs the one handler for hot-key presses; nullopt when refused.
    virtual std::optional<HotKeyHandlerRef> installHandler(HotKeyHandler handler) = 0;
    virtual void removeHandler(HotKeyHandlerRef handler) = 0;
    /// Registers a combination under an identifier.
    virtual HotKeyRegistration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                              HotKeyID id) = 0;
    virtual void unregisterHotKey(HotKeyRef ref) = 0;
};

}  // namespace corvane::platform
