#include "modules/hvf/TextSubtitleRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "modules/hvf/InlineCodeText.h"
#include "platform/win32/CodePage.h"

extern "C" {
#include <ass/ass.h>
}

namespace {

// The face that stands in for one the system does not have.
constexpr const char* kFallbackFace = "NanumGothic";
// Bounds of the library's caches of glyph outlines (a count) and of drawn
// glyphs (MiB): a picture's worth of subtitle text many times over, far
// below the library's own bounds, so that a long batch of many styles keeps
// its memory.
constexpr int kGlyphCacheMax = 2000;
constexpr int kBitmapCacheMiB = 16;

// The library's own messages: only its errors matter to a job.
void Quiet(int level, const char*, va_list, void*) { (void)level; }

std::string FaceOf(const SubtitleStyleRecord& style)
{
    size_t n = 0;
    while (n < std::size(style.faceName) && style.faceName[n]) ++n;
    std::string face = WideToUtf8(Utf16ToWide(std::u16string_view(style.faceName, n)));
    // A comma would end the field in the style line.
    for (char& c : face)
        if (c == ',' || static_cast<unsigned char>(c) < 0x20) c = ' ';
    return face.empty() ? std::string("Arial") : face;
}

// A colour of the record (0x00BBGGRR) with its transparency, as the
// script writes it.
std::string ColourOf(uint32_t colorRef, uint8_t transparency)
{
    char text[16];
    std::snprintf(text, sizeof text, "&H%02X%06X", transparency, colorRef & 0xFFFFFFu);
    return text;
}

double Pixels(double value, double limit)
{
    if (!std::isfinite(value) || value < 0) return 0;
    return std::min(value, limit);
}

std::string Num(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    // The script reads a point whatever the locale's decimal mark is. (Only
    // the written characters: what follows them in the array was never set.)
    for (char* c = text; *c; ++c)
        if (*c == ',') *c = '.';
    return text;
}

}  // namespace

TextSubtitleRenderer::TextSubtitleRenderer() = default;

TextSubtitleRenderer::~TextSubtitleRenderer()
{
    if (m_track) ass_free_track(m_track);
    if (m_renderer) ass_renderer_done(m_renderer);
    if (m_library) ass_library_done(m_library);
}

int TextSubtitleRenderer::FontSize(const SubtitleStyleRecord& style, int width, int height)
{
    int size = style.fontSize > 0 ? style.fontSize : 2 * width / 40;
    return std::clamp(size, 4, std::max(4, height));
}

std::string TextSubtitleRenderer::Script(const std::wstring& text, const SubtitleSettings& s, int width, int height)
{
    const SubtitleStyleRecord& style = s.style;
    int size = FontSize(style, width, height);
    int marginX = width * std::clamp(s.marginX, 0, 49) / 100;
    int marginY = height * std::clamp(s.marginY, 0, 49) / 100;
    std::string script;
    script += "[Script Info]\nScriptType: v4.00+\nWrapStyle: 0\nScaledBorderAndShadow: yes\n";
    script += "PlayResX: " + std::to_string(width) + "\nPlayResY: " + std::to_string(height) + "\n\n";
    script +=
        "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
        "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, "
        "Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n";
    script += "Style: Default," + FaceOf(style) + "," + std::to_string(size) + "," +
              ColourOf(style.bodyColor, style.bodyAlpha) + "," + ColourOf(style.bodyColor, style.bodyAlpha) + "," +
              ColourOf(style.outlineColor, style.outlineAlpha) + "," + ColourOf(style.shadowColor, style.shadowAlpha) +
              "," + (style.weight >= 600 ? "-1" : "0") + "," + (style.italic ? "-1" : "0") + ",0,0,100,100," +
              Num(size * s.charSpace / 100.0) + ",0,1," + Num(Pixels(style.outlineWidth, size)) + "," +
              Num(Pixels(style.shadowDepth, size)) + ",5," + std::to_string(marginX) + "," + std::to_string(marginX) +
              "," + std::to_string(marginY) + "," + std::to_string(std::clamp(style.charSet, 0, 255)) + "\n\n";
    script += "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
    // Laid out around the picture's centre, so that lines wrap by the room
    // between the margins wherever the block goes; Draw moves it to its
    // place.
    std::string tags = "{\\an5\\pos(" + std::to_string(width / 2) + "," + std::to_string(height / 2) + ")";
    if (style.blur) tags += "\\be1";
    tags += "}";
    script += "Dialogue: 0,0:00:00.00,9:59:59.99,Default,,0,0,0,," + tags + InlineCodesToAss(text) + "\n";
    return script;
}

bool TextSubtitleRenderer::Ready(int width, int height, const std::string& face)
{
    if (!m_library) {
        m_library = ass_library_init();
        if (!m_library) return false;
        ass_set_message_cb(m_library, &Quiet, nullptr);
    }
    // The renderer keeps every font it opened for as long as it lives (its
    // cache limits do not reach them): a renderer per face, so that a batch
    // whose jobs name many faces does not hold them all.
    if (m_renderer && face != m_face) {
        ass_renderer_done(m_renderer);
        m_renderer = nullptr;
    }
    if (!m_renderer) {
        m_renderer = ass_renderer_init(m_library);
        if (!m_renderer) return false;
        ass_set_cache_limits(m_renderer, kGlyphCacheMax, kBitmapCacheMiB);
        ass_set_fonts(m_renderer, nullptr, kFallbackFace, ASS_FONTPROVIDER_AUTODETECT, nullptr, 1);
        m_face = face;
        m_width = m_height = 0;
        m_lineSpacing = 0;
    }
    if (width != m_width || height != m_height) {
        ass_set_frame_size(m_renderer, width, height);
        ass_set_storage_size(m_renderer, width, height);
        m_width = width;
        m_height = height;
    }
    return true;
}

TextBlockBounds TextSubtitleRenderer::Draw(const PictureCanvas& canvas, const std::wstring& text,
                                           const SubtitleSettings& s)
{
    TextBlockBounds bounds;
    if (text.empty() || canvas.width <= 0 || canvas.height <= 0 || !Ready(canvas.width, canvas.height, FaceOf(s.style)))
        return bounds;
    std::string script = Script(text, s, canvas.width, canvas.height);
    if (script != m_script || !m_track) {
        if (m_track) ass_free_track(m_track);
        // The library may work on the bytes it is given: a copy of its own.
        std::string bytes = script;
        m_track = ass_read_memory(m_library, bytes.data(), bytes.size(), nullptr);
        m_script = m_track ? script : std::string();
        if (!m_track) return bounds;
    }
    double spacing = FontSize(s.style, canvas.width, canvas.height) * s.lineSpace / 100.0;
    if (spacing != m_lineSpacing) {
        ass_set_line_spacing(m_renderer, spacing);
        m_lineSpacing = spacing;
    }
    int changed = 0;
    ASS_Image* images = ass_render_frame(m_renderer, m_track, 0, &changed);
    if (!images) return bounds;
    bounds = {canvas.width, canvas.height, 0, 0};
    for (ASS_Image* i = images; i; i = i->next) {
        if (i->w <= 0 || i->h <= 0) continue;
        bounds.left = std::min(bounds.left, i->dst_x);
        bounds.top = std::min(bounds.top, i->dst_y);
        bounds.right = std::max(bounds.right, i->dst_x + i->w);
        bounds.bottom = std::max(bounds.bottom, i->dst_y + i->h);
    }
    if (bounds.Empty()) return TextBlockBounds{};
    // The block's centre goes to its place; it keeps the margins: moved
    // inside them, against the left (top) margin when it is wider (taller)
    // than the room.
    int marginX = canvas.width * std::clamp(s.marginX, 0, 49) / 100;
    int marginY = canvas.height * std::clamp(s.marginY, 0, 49) / 100;
    int centreX = canvas.width * std::clamp(s.posX, 0, 100) / 100;
    int centreY = canvas.height * std::clamp(s.posY, 0, 100) / 100;
    auto shift = [](int low, int high, int centre, int lowLimit, int highLimit) {
        int move = centre - (low + high) / 2;
        low += move;
        high += move;
        if (high - low > highLimit - lowLimit || low < lowLimit) return move + lowLimit - low;
        if (high > highLimit) return move + highLimit - high;
        return move;
    };
    int dx = shift(bounds.left, bounds.right, centreX, marginX, canvas.width - marginX);
    int dy = shift(bounds.top, bounds.bottom, centreY, marginY, canvas.height - marginY);
    for (ASS_Image* i = images; i; i = i->next) {
        if (i->w <= 0 || i->h <= 0) continue;
        BlendMask(canvas, i->dst_x + dx, i->dst_y + dy, i->w, i->h, i->bitmap, i->stride, i->color >> 8,
                  255 - static_cast<int>(i->color & 0xFF));
    }
    bounds.left += dx;
    bounds.right += dx;
    bounds.top += dy;
    bounds.bottom += dy;
    return bounds;
}
