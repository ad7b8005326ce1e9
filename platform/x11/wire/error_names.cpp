#include "platform/x11/wire/error_names.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace corvane::x11 {

namespace {

using namespace std::string_view_literals;

/// The core protocol's errors, by code (1 to 17).
constexpr std::array kCoreErrors{"Request"sv, "Value"sv,         "Window"sv,   "Pixmap"sv,   "Atom"sv,
                                 "Cursor"sv,  "Font"sv,          "Match"sv,    "Drawable"sv, "Access"sv,
                                 "Alloc"sv,   "Colormap"sv,      "GContext"sv, "IDChoice"sv, "Name"sv,
                                 "Length"sv,  "Implementation"sv};

/// The core protocol's requests, by major opcode (1 to 119).
constexpr std::array kCoreRequests{"CreateWindow"sv,
                                   "ChangeWindowAttributes"sv,
                                   "GetWindowAttributes"sv,
                                   "DestroyWindow"sv,
                                   "DestroySubwindows"sv,
                                   "ChangeSaveSet"sv,
                                   "ReparentWindow"sv,
                                   "MapWindow"sv,
                                   "MapSubwindows"sv,
                                   "UnmapWindow"sv,
                                   "UnmapSubwindows"sv,
                                   "ConfigureWindow"sv,
                                   "CirculateWindow"sv,
                                   "GetGeometry"sv,
                                   "QueryTree"sv,
                                   "InternAtom"sv,
                                   "GetAtomName"sv,
                                   "ChangeProperty"sv,
                                   "DeleteProperty"sv,
                                   "GetProperty"sv,
                                   "ListProperties"sv,
                                   "SetSelectionOwner"sv,
                                   "GetSelectionOwner"sv,
                                   "ConvertSelection"sv,
                                   "SendEvent"sv,
                                   "GrabPointer"sv,
                                   "UngrabPointer"sv,
                                   "GrabButton"sv,
                                   "UngrabButton"sv,
                                   "ChangeActivePointerGrab"sv,
                                   "GrabKeyboard"sv,
                                   "UngrabKeyboard"sv,
                                   "GrabKey"sv,
                                   "UngrabKey"sv,
                                   "AllowEvents"sv,
                                   "GrabServer"sv,
                                   "UngrabServer"sv,
                                   "QueryPointer"sv,
                                   "GetMotionEvents"sv,
                                   "TranslateCoordinates"sv,
                                   "WarpPointer"sv,
                                   "SetInputFocus"sv,
                                   "GetInputFocus"sv,
                                   "QueryKeymap"sv,
                                   "OpenFont"sv,
                                   "CloseFont"sv,
                                   "QueryFont"sv,
                                   "QueryTextExtents"sv,
                                   "ListFonts"sv,
                                   "ListFontsWithInfo"sv,
                                   "SetFontPath"sv,
                                   "GetFontPath"sv,
                                   "CreatePixmap"sv,
                                   "FreePixmap"sv,
                                   "CreateGC"sv,
                                   "ChangeGC"sv,
                                   "CopyGC"sv,
                                   "SetDashes"sv,
                                   "SetClipRectangles"sv,
                                   "FreeGC"sv,
                                   "ClearArea"sv,
                                   "CopyArea"sv,
                                   "CopyPlane"sv,
                                   "PolyPoint"sv,
                                   "PolyLine"sv,
                                   "PolySegment"sv,
                                   "PolyRectangle"sv,
                                   "PolyArc"sv,
                                   "FillPoly"sv,
                                   "PolyFillRectangle"sv,
                                   "PolyFillArc"sv,
                                   "PutImage"sv,
                                   "GetImage"sv,
                                   "PolyText8"sv,
                                   "PolyText16"sv,
                                   "ImageText8"sv,
                                   "ImageText16"sv,
                                   "CreateColormap"sv,
                                   "FreeColormap"sv,
                                   "CopyColormapAndFree"sv,
                                   "InstallColormap"sv,
                                   "UninstallColormap"sv,
                                   "ListInstalledColormaps"sv,
                                   "AllocColor"sv,
                                   "AllocNamedColor"sv,
                                   "AllocColorCells"sv,
                                   "AllocColorPlanes"sv,
                                   "FreeColors"sv,
                                   "StoreColors"sv,
                                   "StoreNamedColor"sv,
                                   "QueryColors"sv,
                                   "LookupColor"sv,
                                   "CreateCursor"sv,
                                   "CreateGlyphCursor"sv,
                                   "FreeCursor"sv,
                                   "RecolorCursor"sv,
                                   "QueryBestSize"sv,
                                   "QueryExtension"sv,
                                   "ListExtensions"sv,
                                   "ChangeKeyboardMapping"sv,
                                   "GetKeyboardMapping"sv,
                                   "ChangeKeyboardControl"sv,
                                   "GetKeyboardControl"sv,
                                   "Bell"sv,
                                   "ChangePointerControl"sv,
                                   "GetPointerControl"sv,
                                   "SetScreenSaver"sv,
                                   "GetScreenSaver"sv,
                                   "ChangeHosts"sv,
                                   "ListHosts"sv,
                                   "SetAccessControl"sv,
                                   "SetCloseDownMode"sv,
                                   "KillClient"sv,
                                   "RotateProperties"sv,
                                   "ForceScreenSaver"sv,
                                   "SetPointerMapping"sv,
                                   "GetPointerMapping"sv,
                                   "SetModifierMapping"sv,
                                   "GetModifierMapping"sv};

struct ExtensionErrors {
    const Extension Extensions::*extension;
    std::string_view prefix;
    std::array<std::string_view, 5> names;
};

/// The errors of the extensions the backend uses, from each one's first error code.
constexpr std::array kExtensionErrors{
    ExtensionErrors{&Extensions::damage, "", {"Damage"}},
    ExtensionErrors{&Extensions::render, "", {"PictFormat", "Picture", "PictOp", "GlyphSet", "Glyph"}},
    ExtensionErrors{&Extensions::randr, "RandR", {"Output", "Crtc", "Mode", "Provider"}},
    ExtensionErrors{&Extensions::xkb, "", {"Keyboard"}},
};

std::string errorName(std::uint8_t code, const Extensions& extensions) {
    if (code >= 1 && code <= kCoreErrors.size()) return "Bad" + std::string(kCoreErrors[code - 1U]);
    for (const auto& entry : kExtensionErrors) {
        const Extension& extension = extensions.*(entry.extension);
        if (extension.majorOpcode == 0 || code < extension.firstError) continue;
        const auto index = static_cast<std::size_t>(code - extension.firstError);
        if (index < entry.names.size() && !entry.names[index].empty()) {
            return std::string(entry.prefix) + "Bad" + std::string(entry.names[index]);
        }
    }
    return "error";
}

std::string requestName(std::uint8_t major, std::uint16_t minor, const Extensions& extensions) {
    if (major >= 1 && major <= kCoreRequests.size()) return std::string(kCoreRequests[major - 1U]);
    if (major == 127) return "NoOperation";
    const auto extension = extensions.nameOfMajor(major);
    if (!extension.empty()) return std::string(extension) + " request " + std::to_string(minor);
    return "request " + std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

std::string describeError(const xcb_generic_error_t& error, const Extensions& extensions) {
    std::array<char, 16> resource{};
    std::snprintf(resource.data(), resource.size(), "0x%x", error.resource_id);
    return errorName(error.error_code, extensions) + " (" + std::to_string(error.error_code) + ") on " +
           requestName(error.major_code, error.minor_code, extensions) + ", resource " + resource.data();
}

}  // namespace corvane::x11
