#include "FontEnumeration.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/CodePage.h"

namespace {

std::atomic<FcConfig*> g_config{nullptr};

// The character sets by the language fontconfig says a font covers, with
// the script names the system gives them. Western text is told by the Latin
// letters alone, since the language rule for English asks for more (such as
// typographic quotes) than many fonts that write it have.
struct CharsetLanguage {
    const char* language;
    BYTE charSet;
    const wchar_t* script;
};
const CharsetLanguage kCharsets[] = {
    {nullptr, ANSI_CHARSET, L"Western"},
    {"ko", HANGUL_CHARSET, L"Hangul"},
    {"ja", SHIFTJIS_CHARSET, L"Japanese"},
    {"zh-cn", GB2312_CHARSET, L"CHINESE_GB2312"},
    {"zh-tw", CHINESEBIG5_CHARSET, L"CHINESE_BIG5"},
    {"el", GREEK_CHARSET, L"Greek"},
    {"tr", TURKISH_CHARSET, L"Turkish"},
    {"vi", VIETNAMESE_CHARSET, L"Vietnamese"},
    {"he", HEBREW_CHARSET, L"Hebrew"},
    {"ar", ARABIC_CHARSET, L"Arabic"},
    {"lt", BALTIC_CHARSET, L"Baltic"},
    {"ru", RUSSIAN_CHARSET, L"Cyrillic"},
    {"th", THAI_CHARSET, L"Thai"},
    {"pl", EASTEUROPE_CHARSET, L"Central European"},
};

// The language whose family names the system would show for the ANSI code
// page; null for code pages without localised names.
const char* NameLanguage()
{
    switch (GetACP()) {
    case 949:
    case 1361: return "ko";
    case 932: return "ja";
    case 936: return "zh-cn";
    case 950: return "zh-tw";
    default: return nullptr;
    }
}

struct Family {
    std::wstring face;
    std::vector<std::wstring> names;  // every name of every file of the family
    std::vector<BYTE> charSets;       // in table order
    bool outline = true;
    bool trueType = false;
    bool fixedPitch = false;
    int weight = FW_NORMAL;
    bool italic = false;
    std::wstring style;
    int regularity = 1 << 30;  // how far the chosen file is from a plain regular face
};

bool HasLatinLetters(FcCharSet* chars)
{
    for (FcChar32 c = 'A'; c <= 'Z'; ++c)
        if (!FcCharSetHasChar(chars, c) || !FcCharSetHasChar(chars, c + ('a' - 'A'))) return false;
    return true;
}

std::wstring StringOf(FcPattern* p, const char* object, int index)
{
    FcChar8* s = nullptr;
    if (FcPatternGetString(p, object, index, &s) != FcResultMatch || !s) return std::wstring();
    return Utf8ToWide(reinterpret_cast<const char*>(s));
}

// The family name of the file in the preferred language, else its first one.
std::wstring FaceOf(FcPattern* p, const char* language)
{
    if (language)
        for (int i = 0;; ++i) {
            FcChar8* lang = nullptr;
            if (FcPatternGetString(p, FC_FAMILYLANG, i, &lang) != FcResultMatch) break;
            if (lang && std::string(reinterpret_cast<const char*>(lang)) == language) {
                std::wstring name = StringOf(p, FC_FAMILY, i);
                if (!name.empty()) return name;
            }
        }
    return StringOf(p, FC_FAMILY, 0);
}

std::vector<Family> ListFamilies()
{
    std::vector<Family> families;
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, FC_OUTLINE, FC_FONTFORMAT, FC_LANG,
                                            FC_SPACING, FC_WEIGHT, FC_SLANT, FC_CHARSET, static_cast<char*>(nullptr));
    FcFontSet* set = (pattern && objects) ? FcFontList(g_config.load(), pattern, objects) : nullptr;
    if (objects) FcObjectSetDestroy(objects);
    if (pattern) FcPatternDestroy(pattern);
    if (!set) return families;

    const char* language = NameLanguage();
    std::map<std::wstring, size_t> byFace;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* p = set->fonts[i];
        std::wstring face = FaceOf(p, language);
        if (face.empty()) continue;
        face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
        auto [it, added] = byFace.emplace(face, families.size());
        if (added) {
            families.emplace_back();
            families.back().face = face;
        }
        Family& f = families[it->second];
        for (int n = 0;; ++n) {
            std::wstring name = StringOf(p, FC_FAMILY, n);
            if (name.empty()) break;
            if (std::find(f.names.begin(), f.names.end(), name) == f.names.end()) f.names.push_back(name);
        }
        FcLangSet* langs = nullptr;
        FcPatternGetLangSet(p, FC_LANG, 0, &langs);
        FcCharSet* chars = nullptr;
        FcPatternGetCharSet(p, FC_CHARSET, 0, &chars);
        for (const CharsetLanguage& c : kCharsets) {
            bool covered = c.language ? langs && FcLangSetHasLang(
                                                     langs, reinterpret_cast<const FcChar8*>(c.language)) == FcLangEqual
                                      : chars && HasLatinLetters(chars);
            if (covered && std::find(f.charSets.begin(), f.charSets.end(), c.charSet) == f.charSets.end())
                f.charSets.push_back(c.charSet);
        }

        // The family's kind and metrics come from its most regular file.
        int weight = FC_WEIGHT_REGULAR;
        FcPatternGetInteger(p, FC_WEIGHT, 0, &weight);
        int slant = FC_SLANT_ROMAN;
        FcPatternGetInteger(p, FC_SLANT, 0, &slant);
        int openTypeWeight = FcWeightToOpenType(weight);
        int regularity = std::abs(openTypeWeight - FW_NORMAL) + (slant != FC_SLANT_ROMAN ? 1000 : 0);
        if (regularity >= f.regularity) continue;
        f.regularity = regularity;
        FcBool outline = FcTrue;
        FcPatternGetBool(p, FC_OUTLINE, 0, &outline);
        std::wstring format = StringOf(p, FC_FONTFORMAT, 0);
        int spacing = FC_PROPORTIONAL;
        FcPatternGetInteger(p, FC_SPACING, 0, &spacing);
        f.outline = outline != FcFalse;
        f.trueType = f.outline && (format == L"TrueType" || format == L"CFF");
        f.fixedPitch = spacing == FC_MONO || spacing == FC_CHARCELL;
        f.weight = openTypeWeight > 0 ? openTypeWeight : FW_NORMAL;
        f.italic = slant != FC_SLANT_ROMAN;
        f.style = StringOf(p, FC_STYLE, 0);
    }
    FcFontSetDestroy(set);
    // A font that names no language of the table still shows as Western.
    for (Family& f : families)
        if (f.charSets.empty()) f.charSets.push_back(ANSI_CHARSET);
    std::sort(families.begin(), families.end(), [](const Family& a, const Family& b) { return a.face < b.face; });
    return families;
}

template <size_t N>
void CopyText(WCHAR (&out)[N], const std::wstring& text)
{
    size_t n = std::min(text.size(), N - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = 0;
}

const wchar_t* ScriptOf(BYTE charSet)
{
    for (const CharsetLanguage& c : kCharsets)
        if (c.charSet == charSet) return c.script;
    return L"";
}

}  // namespace

namespace win32_gui {
void SetFontConfiguration(_FcConfig* config) { g_config = config; }
}  // namespace win32_gui

int EnumFontFamiliesExW(HDC, LOGFONTW* font, FONTENUMPROCW proc, LPARAM lParam, DWORD)
{
    if (!proc) return 0;
    BYTE wantedSet = font ? font->lfCharSet : DEFAULT_CHARSET;
    std::wstring wantedFace = font ? std::wstring(font->lfFaceName, wcsnlen(font->lfFaceName, LF_FACESIZE)) : L"";
    int result = 1;
    for (const Family& f : ListFamilies()) {
        auto named = [&](const std::wstring& n) { return CompareNoCase(n, wantedFace) == 0; };
        if (!wantedFace.empty() && !named(f.face) && std::none_of(f.names.begin(), f.names.end(), named)) continue;
        for (BYTE charSet : f.charSets) {
            if (wantedSet != DEFAULT_CHARSET && charSet != wantedSet) continue;
            ENUMLOGFONTEXW logFont;
            LOGFONTW& lf = logFont.elfLogFont;
            lf.lfHeight = 16;
            lf.lfWeight = f.weight;
            lf.lfItalic = f.italic ? 1 : 0;
            lf.lfCharSet = charSet;
            lf.lfOutPrecision = f.trueType ? 3 /* OUT_STROKE_PRECIS */ : 1 /* OUT_STRING_PRECIS */;
            lf.lfClipPrecision = 2;  // CLIP_STROKE_PRECIS
            lf.lfQuality = 1;        // DRAFT_QUALITY
            lf.lfPitchAndFamily = f.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH;
            CopyText(lf.lfFaceName, f.face);
            CopyText(logFont.elfFullName, f.face);
            CopyText(logFont.elfStyle, f.style);
            CopyText(logFont.elfScript, ScriptOf(charSet));

            NEWTEXTMETRICEXW metrics;
            NEWTEXTMETRICW& tm = metrics.ntmTm;
            tm.tmHeight = 16;
            tm.tmAscent = 13;
            tm.tmDescent = 3;
            tm.tmAveCharWidth = 7;
            tm.tmMaxCharWidth = 16;
            tm.tmWeight = f.weight;
            tm.tmItalic = lf.lfItalic;
            tm.tmCharSet = charSet;
            // As the system sets them: bit 0 means a variable pitch, bit 1 an
            // outline font, bit 2 a TrueType font.
            tm.tmPitchAndFamily =
                static_cast<BYTE>((f.fixedPitch ? 0 : 1) | (f.outline ? 2 : 0) | (f.trueType ? 4 : 0));
            tm.ntmSizeEM = f.outline ? 2048 : 0;
            tm.ntmCellHeight = 16;
            tm.ntmAvgWidth = 7;

            DWORD type = f.outline ? (f.trueType ? TRUETYPE_FONTTYPE : 0) : RASTER_FONTTYPE;
            result = proc(&logFont.elfLogFont, &metrics.ntmTm, type, lParam);
            if (result == 0) return 0;
        }
    }
    return result;
}
