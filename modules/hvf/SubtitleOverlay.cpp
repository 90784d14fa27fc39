#include "modules/hvf/SubtitleOverlay.h"

#include <algorithm>

namespace {

// A clear pixel of the picture surface: no colour, alpha inverted.
constexpr uint32_t kClear = 0xFF000000u;

bool Blank(const wchar_t* text)
{
    if (!text) return true;
    for (; *text; ++text)
        if (*text != L' ' && *text != L'\t' && *text != L'\r' && *text != L'\n') return false;
    return true;
}

}  // namespace

SubtitleOverlay::SubtitleOverlay() = default;
SubtitleOverlay::~SubtitleOverlay() = default;

void SubtitleOverlay::Reset()
{
    m_provider.Reset();
    m_hint = nullptr;
    m_drawnPosition = nullptr;
}

void SubtitleOverlay::Draw(const PictureCanvas& canvas, const TreatmentSettings& settings, REFERENCE_TIME t)
{
    ISubPicProvider* provider = settings.provider.Get();
    if (!settings.subtitles.enabled || !provider) return;
    if (provider != m_provider.Get()) {
        // Positions of another provider mean nothing to this one.
        Reset();
        m_provider = settings.provider;
    }
    POSITION pos = provider->FindPosition(m_hint, t);
    m_hint = pos;
    if (!pos) return;
    if (provider->GetProviderKind() == kSubProviderPicture)
        DrawPicture(canvas, provider, pos);
    else
        DrawText(canvas, provider, pos, settings.subtitles);
}

void SubtitleOverlay::DrawText(const PictureCanvas& canvas, ISubPicProvider* provider, POSITION pos,
                               const SubtitleSettings& settings)
{
    const wchar_t* text = nullptr;
    if (provider->GetText(pos, &text) != S_OK || Blank(text)) return;
    if (!m_text) m_text = std::make_unique<TextSubtitleRenderer>();
    m_text->Draw(canvas, text, settings);
}

void SubtitleOverlay::DrawPicture(const PictureCanvas& canvas, ISubPicProvider* provider, POSITION pos)
{
    if (canvas.width != m_surfaceWidth || canvas.height != m_surfaceHeight) {
        m_surface.assign(static_cast<size_t>(canvas.width) * canvas.height, kClear);
        m_surfaceWidth = canvas.width;
        m_surfaceHeight = canvas.height;
        m_drawn = RECT{};
        m_drawnPosition = nullptr;
    }
    if (pos != m_drawnPosition) {
        // Clear what the last picture drew, then let the provider draw.
        for (LONG y = std::max<LONG>(m_drawn.top, 0); y < std::min<LONG>(m_drawn.bottom, m_surfaceHeight); ++y) {
            uint32_t* row = m_surface.data() + static_cast<size_t>(m_surfaceHeight - 1 - y) * m_surfaceWidth;
            std::fill(row + std::max<LONG>(m_drawn.left, 0), row + std::min<LONG>(m_drawn.right, m_surfaceWidth),
                      kClear);
        }
        m_drawn = RECT{};
        m_drawnPosition = nullptr;
        SubPicSurface surface;
        surface.width = m_surfaceWidth;
        surface.height = m_surfaceHeight;
        surface.pitch = m_surfaceWidth * 4;
        surface.bitsPerPixel = 32;
        surface.bits = reinterpret_cast<BYTE*>(m_surface.data());
        RECT drawn{};
        if (provider->GetPicture(pos, &surface, &drawn) != S_OK) return;
        m_drawn = drawn;
        m_drawnPosition = pos;
    }
    RECT r = m_drawn;
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, m_surfaceWidth);
    r.bottom = std::min<LONG>(r.bottom, m_surfaceHeight);
    if (r.right <= r.left || r.bottom <= r.top) return;
    // Row y of the picture is row (height - 1 - y) of the surface.
    const uint32_t* top = m_surface.data() + static_cast<size_t>(m_surfaceHeight - 1 - r.top) * m_surfaceWidth;
    BlendRendered(canvas, r.left, r.top, r.right - r.left, r.bottom - r.top, top + r.left, -m_surfaceWidth);
}
