#include "HtmlColorMap.h"

#include <cstdint>

namespace {

struct NamedColour {
    const wchar_t* name;
    DWORD rgb;  // 0xRRGGBB
};

const NamedColour kColours[] = {
    {L"white", 0xffffff},
    {L"whitesmoke", 0xf5f5f5},
    {L"ghostwhite", 0xf8f8ff},
    {L"snow", 0xfffafa},
    {L"gainsboro", 0xdcdcdc},
    {L"lightgrey", 0xd3d3d3},
    {L"silver", 0xc0c0c0},
    {L"darkgray", 0xa9a9a9},
    {L"gray", 0x808080},
    {L"dimgray", 0x696969},
    {L"lightslategray", 0x778899},
    {L"slategray", 0x708090},
    {L"darkslategray", 0x2f4f4f},
    {L"black", 0x000000},
    {L"azure", 0xf0ffff},
    {L"aliceblue", 0xf0f8ff},
    {L"mintcream", 0xf5fffa},
    {L"honeydew", 0xf0fff0},
    {L"lightcyan", 0xe0ffff},
    {L"paleturquoise", 0xafeeee},
    {L"powderblue", 0xb0e0e6},
    {L"lightblue", 0xadd8e6},
    {L"lightsteelblue", 0xb0c4de},
    {L"skyblue", 0x87ceeb},
    {L"lightskyblue", 0x87cefa},
    {L"cyan", 0x00ffff},
    {L"aqua", 0x00ffff},
    {L"deepskyblue", 0x00bfff},
    {L"aquamarine", 0x7fffd4},
    {L"turquoise", 0x40e0d0},
    {L"darkturquoise", 0x00ced1},
    {L"lightseagreen", 0x20b2aa},
    {L"mediumturquoise", 0x48d1cc},
    {L"mediumaquamarine", 0x66cdaa},
    {L"cadetblue", 0x5f9ea0},
    {L"teal", 0x008080},
    {L"darkcyan", 0x008b8b},
    {L"cornflowerblue", 0x6495ed},
    {L"dodgerblue", 0x1e90ff},
    {L"steelblue", 0x4682b4},
    {L"royalblue", 0x4169e1},
    {L"blue", 0x0000ff},
    {L"mediumblue", 0x0000cd},
    {L"mediumslateblue", 0x7b68ee},
    {L"slateblue", 0x6a5acd},
    {L"darkslateblue", 0x483d8b},
    {L"darkblue", 0x00008b},
    {L"midnightblue", 0x191970},
    {L"navy", 0x000080},
    {L"palegreen", 0x98fb98},
    {L"lightgreen", 0x90ee90},
    {L"mediumspringgreen", 0x00fa9a},
    {L"springgreen", 0x00ff7f},
    {L"chartreuse", 0x7fff00},
    {L"lawngreen", 0x7cfc00},
    {L"lime", 0x00ff00},
    {L"limegreen", 0x32cd32},
    {L"greenyellow", 0xadff2f},
    {L"yellowgreen", 0x9acd32},
    {L"darkseagreen", 0x8fbc8f},
    {L"mediumseagreen", 0x3cb371},
    {L"seagreen", 0x2e8b57},
    {L"olivedrab", 0x6b8e23},
    {L"forestgreen", 0x228b22},
    {L"green", 0x008000},
    {L"darkkhaki", 0xbdb76b},
    {L"olive", 0x808000},
    {L"darkolivegreen", 0x556b2f},
    {L"darkgreen", 0x006400},
    {L"floralwhite", 0xfffaf0},
    {L"seashell", 0xfff5ee},
    {L"ivory", 0xfffff0},
    {L"beige", 0xf5f5dc},
    {L"cornsilk", 0xfff8dc},
    {L"lemonchiffon", 0xfffacd},
    {L"lightyellow", 0xffffe0},
    {L"lightgoldenrodyellow", 0xfafad2},
    {L"papayawhip", 0xffefd5},
    {L"blanchedalmond", 0xffebcd},
    {L"palegoldenrod", 0xeee8aa},
    {L"khaki", 0xf0e68c},
    {L"bisque", 0xffe4c4},
    {L"moccasin", 0xffe4b5},
    {L"navajowhite", 0xffdead},
    {L"peachpuff", 0xffdab9},
    {L"yellow", 0xffff00},
    {L"gold", 0xffd700},
    {L"wheat", 0xf5deb3},
    {L"orange", 0xffa500},
    {L"darkorange", 0xff8c00},
    {L"oldlace", 0xfdf5e6},
    {L"linen", 0xfaf0e6},
    {L"antiquewhite", 0xfaebd7},
    {L"lightsalmon", 0xffa07a},
    {L"darksalmon", 0xe9967a},
    {L"salmon", 0xfa8072},
    {L"lightcoral", 0xf08080},
    {L"indianred", 0xcd5c5c},
    {L"coral", 0xff7f50},
    {L"tomato", 0xff6347},
    {L"orangered", 0xff4500},
    {L"red", 0xff0000},
    {L"crimson", 0xdc143c},
    {L"firebrick", 0xb22222},
    {L"maroon", 0x800000},
    {L"darkred", 0x8b0000},
    {L"lavender", 0xe6e6fa},
    {L"lavenderblush", 0xfff0f5},
    {L"mistyrose", 0xffe4e1},
    {L"thistle", 0xd8bfd8},
    {L"pink", 0xffc0cb},
    {L"lightpink", 0xffb6c1},
    {L"palevioletred", 0xdb7093},
    {L"hotpink", 0xff69b4},
    {L"fuchsia", 0xff00ff},
    {L"magenta", 0xff00ff},
    {L"mediumvioletred", 0xc71585},
    {L"deeppink", 0xff1493},
    {L"plum", 0xdda0dd},
    {L"violet", 0xee82ee},
    {L"orchid", 0xda70d6},
    {L"mediumorchid", 0xba55d3},
    {L"mediumpurple", 0x9370db},
    {L"blueviolet", 0x8a2be2},
    {L"darkviolet", 0x9400d3},
    {L"darkorchid", 0x9932cc},
    {L"tan", 0xd2b48c},
    {L"burlywood", 0xdeb887},
    {L"sandybrown", 0xf4a460},
    {L"peru", 0xcd853f},
    {L"goldenrod", 0xdaa520},
    {L"darkgoldenrod", 0xb8860b},
    {L"chocolate", 0xd2691e},
    {L"rosybrown", 0xbc8f8f},
    {L"sienna", 0xa0522d},
    {L"saddlebrown", 0x8b4513},
    {L"brown", 0xa52a2a},
};

}  // namespace

CHtmlColorMap::CHtmlColorMap() : CMapStringToPtr(10)
{
    InitHashTable(10);
    for (const auto& c : kColours) {
        COLORREF ref = RGB(static_cast<BYTE>(c.rgb >> 16), static_cast<BYTE>(c.rgb >> 8), static_cast<BYTE>(c.rgb));
        SetAt(c.name, reinterpret_cast<void*>(static_cast<uintptr_t>(ref)));
    }
}

bool CHtmlColorMap::LookupColor(const wchar_t* name, COLORREF* color) const
{
    void* value = nullptr;
    if (!name || !Lookup(name, value)) return false;
    *color = static_cast<COLORREF>(reinterpret_cast<uintptr_t>(value));
    return true;
}

const CHtmlColorMap& HtmlColorMap()
{
    static const CHtmlColorMap map;
    return map;
}
