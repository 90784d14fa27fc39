// Text subtitles drawn with the subtitle rendering library: the entry's
// text (inline codes turned into override tags) in the style of the
// subtitle style record, placed by the position and margin values, on a
// script whose play size is the output picture's, so that sizes, outline
// widths and shadow depths are pixels of the picture that is encoded.
//
// Fonts come from the system's font configuration; a face it does not have
// falls back to NanumGothic, which also covers Hangul.
#pragma once

#include <string>

#include "modules/hvf/PictureCanvas.h"
#include "modules/hvf/VideoFilterSettings.h"

struct ass_library;
struct ass_renderer;
struct ass_track;

struct TextBlockBounds {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0;
    bool Empty() const { return right <= left || bottom <= top; }
};

class TextSubtitleRenderer {
public:
    TextSubtitleRenderer();
    ~TextSubtitleRenderer();
    TextSubtitleRenderer(const TextSubtitleRenderer&) = delete;
    TextSubtitleRenderer& operator=(const TextSubtitleRenderer&) = delete;

    // Draws the text (with inline codes) into the picture; the bounds of
    // what was drawn (empty when nothing was).
    TextBlockBounds Draw(const PictureCanvas& canvas, const std::wstring& text, const SubtitleSettings& settings);

    // The script the renderer is given for a text on a picture size: the
    // block laid out around the picture's centre (Draw moves it).
    static std::string Script(const std::wstring& text, const SubtitleSettings& settings, int width, int height);
    // The font size used: the style's, or two widths of the picture per 40
    // characters when the style has none, kept within the picture.
    static int FontSize(const SubtitleStyleRecord& style, int width, int height);

private:
    // The library and a renderer for the face at the picture's size.
    bool Ready(int width, int height, const std::string& face);

    ass_library* m_library = nullptr;
    ass_renderer* m_renderer = nullptr;
    ass_track* m_track = nullptr;
    std::string m_face;  // the face the renderer was made for
    std::string m_script;
    double m_lineSpacing = 0;
    int m_width = 0;
    int m_height = 0;
};
