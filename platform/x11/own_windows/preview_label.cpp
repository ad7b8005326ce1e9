#include "platform/x11/own_windows/preview_label.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace corvane::x11 {

namespace {

constexpr std::int16_t kBandHeight = 4;
constexpr std::int16_t kTextLeft = 6;
/// The baseline below the band: the server's "fixed" fonts rise 11 pixels.
constexpr std::int16_t kBaseline = kBandHeight + 15;
constexpr std::size_t kLongestText = 255;
constexpr std::string_view kUnicodeFont = "-misc-fixed-medium-r-normal--13-120-75-75-c-70-iso10646-1";
/// Built into every X server.
constexpr std::string_view kFallbackFont = "fixed";

std::uint16_t channel(double value) {
    return static_cast<std::uint16_t>(std::lround(std::clamp(value, 0.0, 1.0) * 0xFFFF));
}

/// The next code point of `text` from `at`, which moves past it; U+FFFD for a malformed sequence.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (more < 0) return U'\uFFFD';
    char32_t code = lead & (0x3FU >> static_cast<unsigned>(more));
    for (int i = 0; i < more; ++i) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0U) != 0x80U) return U'\uFFFD';
        code = (code << 6U) | (static_cast<unsigned char>(text[at++]) & 0x3FU);
    }
    return code;
}

}  // namespace

std::vector<xcb_char2b_t> fontCodes(std::string_view utf8, bool unicode) {
    std::vector<xcb_char2b_t> codes;
    std::size_t at = 0;
    while (at < utf8.size() && codes.size() < kLongestText) {
        char32_t code = nextCodePoint(utf8, at);
        if (code > (unicode ? 0xFFFFU : 0xFFU)) code = U'?';
        codes.push_back({static_cast<std::uint8_t>(code >> 8U), static_cast<std::uint8_t>(code & 0xFFU)});
    }
    return codes;
}

void PreviewLabel::makeContext(xcb_window_t window) {
    xcb_connection_t* c = connection_.get();
    const xcb_font_t font = xcb_generate_id(c);
    CheckedCookie opened(c, xcb_open_font_checked(c, font, static_cast<std::uint16_t>(kUnicodeFont.size()),
                                                  kUnicodeFont.data()));
    unicode_ = opened.error() == nullptr;
    if (!unicode_) {
        xcb_open_font(c, font, static_cast<std::uint16_t>(kFallbackFont.size()), kFallbackFont.data());
    }
    const xcb_screen_t& screen = connection_.screen();
    const std::uint32_t values[] = {screen.white_pixel, screen.black_pixel, font};
    context_ = OwnedGc(c, xcb_generate_id(c));
    xcb_create_gc(c, context_.get(), window, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND | XCB_GC_FONT, values);
    // The context keeps the font as long as it needs it.
    xcb_close_font(c, font);
}

void PreviewLabel::draw(xcb_window_t window, xcb_render_picture_t picture, std::uint16_t width,
                        const platform::PanelLabel& label) {
    xcb_connection_t* c = connection_.get();
    if (!context_) makeContext(window);
    const xcb_render_color_t colour{channel(label.color.red), channel(label.color.green),
                                    channel(label.color.blue), 0xFFFF};
    const xcb_rectangle_t band{0, 0, width, kBandHeight};
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, picture, colour, 1, &band);
    const auto codes = fontCodes(label.text, unicode_);
    if (codes.empty()) return;
    xcb_image_text_16(c, static_cast<std::uint8_t>(codes.size()), window, context_.get(), kTextLeft,
                      kBaseline, codes.data());
}

}  // namespace corvane::x11
