#include "modules/api/SubtitleStyle.h"

#include <algorithm>
#include <iterator>

void InitSubtitleStyle(SubtitleStyleRecord* style)
{
    if (!style) return;
    static constexpr char16_t kFace[] = u"arial";
    std::fill(std::begin(style->faceName), std::end(style->faceName), u'\0');
    std::copy(std::begin(kFace), std::end(kFace), style->faceName);
    style->charSet = 1;
    style->fontSize = 26;
    style->weight = 700;
    style->italic = 0;
    style->blur = 1;
    style->bodyColor = 0xFFFFFF;
    style->outlineColor = 0;
    style->shadowColor = 0;
    style->bodyAlpha = 0;
    style->outlineAlpha = 0;
    style->shadowAlpha = 160;
    style->outlineWidth = 1.5;
    style->shadowDepth = 3.0;
}
