// The display names of codecs and media types: the two tables' shape and
// their named rows, the media-type rules, the output codec names of each
// format and the picture header read from format blocks of every length.
#include <gtest/gtest.h>

#include <cwctype>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "encoder/core/CodecNameTables.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/MediaTypeNames.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

DWORD Fcc(const char* text)
{
    return static_cast<BYTE>(text[0]) | (static_cast<BYTE>(text[1]) << 8) | (static_cast<BYTE>(text[2]) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(text[3])) << 24);
}

// The table's 207 rows, then five for what the splitters name the codecs
// of current files by.
TEST(CodecNameTables, VideoTableHasItsRowsInOrderWithThreeKeysTwice)
{
    auto table = VideoCodecNameTable();
    ASSERT_EQ(212u, table.size());
    EXPECT_EQ(std::wstring(L"    "), table[0].fourcc);
    EXPECT_EQ(std::wstring(L"Unknown"), table[0].name);
    std::map<std::wstring, int> seen;
    for (const SVideoCodecNameRow& row : table) {
        std::wstring key = row.fourcc;
        ASSERT_EQ(4u, key.size());
        for (wchar_t c : key) EXPECT_TRUE(c == L' ' || std::iswdigit(c) || std::iswupper(c)) << WideToUtf8(key);
        EXPECT_FALSE(std::wstring(row.name).empty());
        ++seen[key];
    }
    std::vector<std::wstring> twice;
    for (auto& [key, count] : seen)
        if (count > 1) twice.push_back(key);
    EXPECT_EQ((std::vector<std::wstring>{L"DIV4", L"MSVC", L"RPZA"}), twice);
    // Indeo's 21 rows stand together, in order.
    int at = -1;
    for (size_t i = 0; i < table.size(); ++i)
        if (std::wstring(table[i].fourcc) == L"IV30") at = static_cast<int>(i);
    ASSERT_GE(at, 0);
    for (int n = 0; n <= 20; ++n) EXPECT_EQ(L"IV" + std::to_wstring(30 + n), std::wstring(table[at + n].fourcc));
    // The first and the last keys.
    EXPECT_EQ(std::wstring(L"3IV1"), table[1].fourcc);
    EXPECT_EQ(std::wstring(L"SEDG"), table[206].fourcc);
    EXPECT_EQ(std::wstring(L"FMP4"), table[207].fourcc);
    EXPECT_EQ(std::wstring(L"VP80"), table[208].fourcc);
    EXPECT_EQ(std::wstring(L"VP90"), table[209].fourcc);
    EXPECT_EQ(std::wstring(L"HVC1"), table[210].fourcc);
    EXPECT_EQ(std::wstring(L"HEV1"), table[211].fourcc);
}

TEST(CodecNameTables, AudioTableHoldsTheRegisteredTagsInOrder)
{
    // The tags, as runs of consecutive values, in table order.
    const std::pair<WORD, WORD> runs[] = {
        {0x0000, 0x000A},
        {0x0010, 0x0019},
        {0x0020, 0x0028},
        {0x0030, 0x003D},
        {0x0040, 0x0042},
        {0x0050, 0x0050},
        {0x0052, 0x0053},
        {0x0055, 0x0055},
        {0x0059, 0x0059},
        {0x0060, 0x0065},
        {0x0067, 0x0067},
        {0x0069, 0x0069},
        {0x0070, 0x0079},
        {0x0080, 0x0086},
        {0x0088, 0x0089},
        {0x0091, 0x0094},
        {0x0097, 0x0099},
        {0x00FF, 0x00FF},
        {0x00A0, 0x00A0},
        {0x0100, 0x0101},
        {0x0111, 0x0112},
        {0x0123, 0x0123},
        {0x0125, 0x0125},
        {0x0130, 0x0135},
        {0x0140, 0x0140},
        {0x0150, 0x0151},
        {0x0155, 0x0155},
        {0x0160, 0x0163},
        {0x0170, 0x0173},
        {0x0200, 0x0200},
        {0x0202, 0x0203},
        {0x0210, 0x0210},
        {0x0220, 0x0220},
        {0x0230, 0x0230},
        {0x0240, 0x0241},
        {0x0250, 0x0251},
        {0x0260, 0x0260},
        {0x0270, 0x0270},
        {0x0300, 0x0300},
        {0x0400, 0x0401},
        {0x0450, 0x0450},
        {0x0680, 0x0681},
        {0x1000, 0x1004},
        {0x1100, 0x1100},
        {0x1400, 0x1400},
        {0x1500, 0x1500},
        {0x2000, 0x2001},
        {0x674F, 0x6751},
        {0x676F, 0x6771},
        // After the registered tags: the ones the splitters give Vorbis,
        // Opus and AMR-NB.
        {0x566F, 0x566F},
        {0x704F, 0x704F},
        {0x0057, 0x0057},
    };
    std::vector<WORD> expected;
    for (auto [first, last] : runs)
        for (int t = first; t <= last; ++t) expected.push_back(static_cast<WORD>(t));
    std::vector<WORD> tags;
    for (const SAudioTagNameRow& row : AudioTagNameTable()) tags.push_back(row.tag);
    EXPECT_EQ(146u + 3u, tags.size());
    EXPECT_EQ(expected, tags);

    // Rows outside the named exceptions read "SYMBOL (Registrant)".
    const std::map<WORD, std::wstring> exceptions = {
        {0x0000, L"Unknown"},
        {0x0001, L"PCM AUDIO(code 0x01)"},
        {0x0055, L"MPEG Layer-3"},
        {0x00FF, L"AAC"},
        {0x0160, L"Window Media Audio 7"},
        {0x0161, L"Window Media Audio 8"},
        {0x0162, L"Window Media Audio 9"},
        {0x0163, L"Window Media Audio 9 Lossless"},
        {0x0401, L"Intel Music Coder (IMC)"},
        {0x2000, L"AC3"},
        {0x2001, L"DTS"},
        {0x674F, L"Ogg Vorbis - VORBIS_1"},
        {0x6750, L"Ogg Vorbis - VORBIS_2"},
        {0x6751, L"Ogg Vorbis - VORBIS_3"},
        {0x676F, L"Ogg Vorbis - VORBIS_1_PLUS"},
        {0x6770, L"Ogg Vorbis - VORBIS_2_PLUS"},
        {0x6771, L"Ogg Vorbis - VORBIS_3_PLUS"},
        {0x566F, L"Vorbis"},
        {0x704F, L"Opus"},
        {0x0057, L"AMR-NB"},
    };
    const std::wregex pattern(L"[A-Z0-9_]+ \\([^()]+(\\([^()]*\\)[^()]*)*\\)");
    for (const SAudioTagNameRow& row : AudioTagNameTable()) {
        auto e = exceptions.find(row.tag);
        if (e != exceptions.end())
            EXPECT_EQ(e->second, row.name) << row.tag;
        else
            EXPECT_TRUE(std::regex_match(std::wstring(row.name), pattern)) << WideToUtf8(row.name);
    }
}

TEST(MediaTypeNames, VideoCodecNamesByFourCC)
{
    struct Case {
        const char* fourcc;
        const wchar_t* name;
    };
    const Case cases[] = {
        {"DIVX", L"DivX 4 (OpenDivX)"},
        {"DX50", L"DivX 5.0"},
        {"XVID", L"MPEG-4"},
        {"xvid", L"MPEG-4"},
        {"XviD", L"MPEG-4"},
        {"MP4V", L"MPEG-4"},
        {"WMV1", L"Windows Media Video 7"},
        {"WMV2", L"Windows Media Video 8"},
        {"wmv3", L"Windows Media Video 9"},
        {"MPG1", L"MPEG 1/2"},
        {"MPG2", L"MPEG 1/2"},
        {"ZZZZ", L"Unknown"},
        {"FMP4", L"MPEG-4 (FMP4)"},
        {"fmp4", L"MPEG-4 (FMP4)"},
        {"VP80", L"VP8"},
        {"VP90", L"VP9"},
        {"hvc1", L"H.265/HEVC (HVC1)"},
        {"hev1", L"H.265/HEVC (HEV1)"},
        {"    ", L"Unknown"},  // the blank key of row 0 names itself
    };
    for (const Case& c : cases) EXPECT_EQ(CString(c.name), GetVideoCodecName(Fcc(c.fourcc))) << c.fourcc;
    EXPECT_EQ(CString(L"Unknown"), GetVideoCodecName(0));
    // A key that stands twice keeps its first name.
    for (const char* twice : {"DIV4", "MSVC", "RPZA"}) {
        CString first;
        for (const SVideoCodecNameRow& row : VideoCodecNameTable())
            if (first.IsEmpty() && WideToUtf8(row.fourcc) == twice) first = row.name;
        EXPECT_EQ(first, GetVideoCodecName(Fcc(twice)));
    }
}

TEST(MediaTypeNames, AudioTagNames)
{
    const std::pair<WORD, const wchar_t*> cases[] = {
        {0x0000, L"Unknown"},
        {0x0001, L"PCM AUDIO(code 0x01)"},
        {0x0002, L"ADPCM (Microsoft Corporation)"},
        {0x0031, L"GSM610 (Microsoft Corporation)"},
        {0x0092, L"DOLBY_AC3_SPDIF (Sonic Foundry)"},
        {0x0055, L"MPEG Layer-3"},
        {0x00FF, L"AAC"},
        {0x0161, L"Window Media Audio 8"},
        {0x2000, L"AC3"},
        {0x6771, L"Ogg Vorbis - VORBIS_3_PLUS"},
        {0x0051, L"Unknown"},
        {0xFFFE, L"Unknown"},
    };
    for (auto [tag, name] : cases) EXPECT_EQ(CString(name), GetAudioFormatTagName(tag)) << tag;
}

TEST(MediaTypeNames, StreamTypeNamesByMajorTypeAndSubtype)
{
    struct Case {
        GUID major;
        GUID sub;
        const wchar_t* name;
    };
    const GUID other{0x12345678, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    const Case cases[] = {
        {MEDIATYPE_Video, FourCCGuid(Fcc("XVID")), L"MPEG-4"},
        {MEDIATYPE_Video, FourCCGuid(Fcc("h264")), L"H.264/AVC"},
        {MEDIATYPE_Video, MEDIASUBTYPE_MPEG1Payload, L"MPEG-1 Video"},
        {MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, L"MPEG-2 Video"},
        {MEDIATYPE_Video, other, L"Unknown"},
        {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, L"PCM AUDIO(code 0x01)"},
        {MEDIATYPE_Audio, FourCCGuid(0x55), L"MPEG Layer-3"},
        {MEDIATYPE_Audio, FourCCGuid(0x0161), L"Window Media Audio 8"},
        {MEDIATYPE_Audio, FourCCGuid(0xFF), L"AAC"},
        {MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3, L"AC3"},
        {MEDIATYPE_Audio, MEDIASUBTYPE_DTS, L"DTS"},
        {MEDIATYPE_Audio, FourCCGuid(0x566F), L"Vorbis"},
        // Opus under its four characters: the tag is the low half.
        {MEDIATYPE_Audio, FourCCGuid(Fcc("Opus")), L"Opus"},
        {MEDIATYPE_Audio, FourCCGuid(0x0057), L"AMR-NB"},
        {MEDIATYPE_Audio, other, L"Unknown"},
        // The audio subtypes are not looked for under another major type.
        {MEDIATYPE_Video, MEDIASUBTYPE_DOLBY_AC3, L"Unknown"},
        {MEDIATYPE_Text, FourCCGuid(Fcc("XVID")), L"Unknown"},
    };
    for (const Case& c : cases) {
        CMediaType type(c.major);
        type.SetSubtype(c.sub);
        EXPECT_EQ(CString(c.name), GetStreamTypeName(&type)) << WideToUtf8(c.name);
    }
    EXPECT_EQ(CString(L"Unknown"), GetStreamTypeName(nullptr));
}

TEST(MediaTypeNames, OutputCodecNamesFollowTheChosenFormat)
{
    CEncSettings s;
    s.AviEncoder.fccVideoCodec = Fcc("XVID");
    s.AviEncoder.nAudioCodec = 0x55;
    s.Mp4Encoder.fccVideoCodec = Fcc("H264");
    s.Mp4Encoder.nAudioCodec = 0xFF;
    s.WmvEncoder.sVideoCodec = L"Windows Media Video 8";
    s.WmvEncoder.sAudioCodec = L"Windows Media Audio 2";
    s.OgmEncoder.fccVideoCodec = Fcc("DX50");
    s.OgmEncoder.nAudioCodec = 0x674F;

    CMediaType video(MEDIATYPE_Video);
    CMediaType audio(MEDIATYPE_Audio);
    SEncJobMedia both{&video, &audio};
    SEncJobMedia videoOnly{&video, nullptr};
    SEncJobMedia audioOnly{nullptr, &audio};

    struct Case {
        int format;
        const wchar_t* video;
        const wchar_t* audio;
    };
    const Case cases[] = {
        {0, L"MPEG-4", L"MPEG Layer-3"},
        {1, L"H.264/AVC", L"AAC"},
        {2, L"Windows Media Video 8", L"Windows Media Audio 2"},
        {3, L"DivX 5.0", L"Ogg Vorbis - VORBIS_1"},
        {4, L"", L""},
        {-1, L"", L""},
    };
    for (const Case& c : cases) {
        s.nEncFormat = c.format;
        EXPECT_EQ(CString(c.video), GetOutputVideoCodecName(s, &both)) << c.format;
        EXPECT_EQ(CString(c.audio), GetOutputAudioCodecName(s, &both)) << c.format;
        EXPECT_EQ(CString(c.video), GetOutputVideoCodecName(s, &videoOnly));
        EXPECT_EQ(CString(), GetOutputAudioCodecName(s, &videoOnly));
        EXPECT_EQ(CString(), GetOutputVideoCodecName(s, &audioOnly));
        EXPECT_EQ(CString(c.audio), GetOutputAudioCodecName(s, &audioOnly));
        EXPECT_EQ(CString(), GetOutputVideoCodecName(s, nullptr));
        EXPECT_EQ(CString(), GetOutputAudioCodecName(s, nullptr));
    }
}

TEST(MediaTypeNames, BitmapHeaderOnlyFromABlockThatHoldsIt)
{
    struct Case {
        GUID format;
        ULONG bytes;
        size_t headerAt;
        int expected;
    };
    const Case cases[] = {
        {FORMAT_VideoInfo, 88, 48, 1},   {FORMAT_VideoInfo, 87, 48, 0},     {FORMAT_MPEGVideo, 100, 48, 1},
        {FORMAT_VideoInfo2, 112, 72, 1}, {FORMAT_VideoInfo2, 111, 72, 0},   {FORMAT_MPEG2Video, 140, 72, 1},
        {FORMAT_MPEG2Video, 88, 72, 0},  {FORMAT_WaveFormatEx, 200, 48, 0}, {FORMAT_VideoInfo, 0, 48, 0},
    };
    for (const Case& c : cases) {
        CMediaType type(MEDIATYPE_Video);
        type.SetFormatType(c.format);
        if (c.bytes) {
            BYTE* block = type.AllocFormatBuffer(c.bytes);
            ASSERT_NE(nullptr, block);
            if (c.headerAt + sizeof(BITMAPINFOHEADER) <= c.bytes) {
                BITMAPINFOHEADER bih{};
                bih.biSize = 40;
                bih.biWidth = 642;
                bih.biHeight = 481;
                std::memcpy(block + c.headerAt, &bih, sizeof bih);
            }
        }
        BITMAPINFOHEADER out{};
        out.biWidth = -7;
        EXPECT_EQ(c.expected, GetBitmapInfoHeader(&type, &out)) << c.bytes;
        EXPECT_EQ(c.expected ? 642 : -7, out.biWidth);
        EXPECT_EQ(c.expected ? 481 : 0, out.biHeight);
    }
    BITMAPINFOHEADER out{};
    EXPECT_EQ(0, GetBitmapInfoHeader(nullptr, &out));
}

}  // namespace
