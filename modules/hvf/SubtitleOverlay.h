// The subtitles of an output picture: the provider is asked, on the
// treatment thread, which entry shows at the picture's time on the source's
// time line; a text entry is drawn by the text renderer, a picture entry is
// drawn by the provider into a surface of the picture's size and composited
// as it is (its colours already weighted by their alpha).
#pragma once

#include <memory>
#include <vector>

#include "modules/hvf/PictureCanvas.h"
#include "modules/hvf/TextSubtitleRenderer.h"
#include "modules/hvf/VideoFilterSettings.h"

class SubtitleOverlay {
public:
    SubtitleOverlay();
    ~SubtitleOverlay();

    // Forgets the place in the provider's entries (after a seek, or when
    // the stream stops), so the next search starts from the first entry,
    // and lets go of the provider it was kept for.
    void Reset();
    // Draws what the provider shows at the source time t (100 ns).
    void Draw(const PictureCanvas& canvas, const TreatmentSettings& settings, REFERENCE_TIME t);

private:
    void DrawText(const PictureCanvas& canvas, ISubPicProvider* provider, POSITION pos,
                  const SubtitleSettings& settings);
    void DrawPicture(const PictureCanvas& canvas, ISubPicProvider* provider, POSITION pos);

    // The provider the last position belongs to (kept alive while the
    // position is).
    ComPtr<ISubPicProvider> m_provider;
    POSITION m_hint = nullptr;
    std::unique_ptr<TextSubtitleRenderer> m_text;
    // The surface picture providers draw into, rows bottom-up, and what is
    // drawn on it.
    std::vector<uint32_t> m_surface;
    int m_surfaceWidth = 0;
    int m_surfaceHeight = 0;
    RECT m_drawn{};
    POSITION m_drawnPosition = nullptr;
};
