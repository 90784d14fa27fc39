#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "reader/CodecTables.h"

namespace {

TEST(CodecTables, VideoTableRowsAndTellingNames)
{
    size_t n = 0;
    const VideoCodecRow* rows = GetVideoCodecTable(&n);
    ASSERT_EQ(226u, n);
    struct Telling {
        size_t row;
        const wchar_t* key;
        const wchar_t* name;
    } telling[] = {
        {0, L"    ", L"Unknown"},
        {1, L"3IV1", L"XAnim's 3ivX Delta 3.5 plugin"},
        {25, L"CVID", L"Cinepak Video (native codec)"},
        {32, L"DIV4", L"DivX 3 Fast-Motion"},
        {36, L"DIVX", L"DivX 4 (OpenDivX)"},
        {44, L"DX50", L"DivX 5.0"},
        {58, L"H263", L"ITU H.263"},
        {94, L"IV50", L"Intel - Indeo Video 5.0 codec"},
        {100, L"MJPG", L"Microsoft - Motion JPEG DIB Format"},
        {103, L"MP43", L"Microsoft MPEG-4 V3"},
        {106, L"MP4V", L"MPEG-4"},
        {116, L"MSVC", L"Microsoft Video 1 (native codec)"},
        {133, L"RPZA", L"Apple Video 16 Bit"},
        {137, L"RV10", L"RealVideo 1.0 decoder"},
        {138, L"RV13", L"RealVideo 1.0 variant decoder"},
        {139, L"RV20", L"RealVideo 2.0 decoder"},
        {140, L"RV30", L"RealVideo 3.0 decoder"},
        {141, L"RV40", L"RealVideo 4.0 decoder"},
        {183, L"WMV1", L"Windows Media Video 7"},
        {185, L"WMV3", L"Windows Media Video 9"},
        {189, L"XVID", L"Xvid (MPEG-4)"},
        {202, L"H264", L"ITU H.264"},
        {206, L"AVC1", L"Advanced Video Coding (H.264)"},
        {211, L"RV40", L"Unknown format"},
        {212, L"THEO", L"theora"},
        {213, L"FLV1", L"Sorenson H.263"},
        {216, L"FLV4", L"On2 VP6"},
    };
    for (const auto& t : telling) {
        EXPECT_STREQ(t.key, rows[t.row].key) << "row " << t.row;
        EXPECT_STREQ(t.name, rows[t.row].name) << "row " << t.row;
    }
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(4u, std::wcslen(rows[i].key)) << "row " << i;
        size_t len = std::wcslen(rows[i].name);
        EXPECT_TRUE(len > 0 && len <= 249) << "row " << i;
    }
}

TEST(CodecTables, VideoLookupIsExactAndFirstRowWins)
{
    EXPECT_STREQ(L"DivX 3 Fast-Motion", FindVideoCodecName(L"DIV4"));
    EXPECT_STREQ(L"RealVideo 4.0 decoder", FindVideoCodecName(L"RV40"));
    EXPECT_STREQ(L"Microsoft Video 1 (native codec)", FindVideoCodecName(L"MSVC"));
    EXPECT_STREQ(L"Apple Video 16 Bit", FindVideoCodecName(L"RPZA"));
    EXPECT_STREQ(L"Unknown", FindVideoCodecName(L"    "));
    EXPECT_STREQ(L"Screen Video", FindVideoCodecName(L"SCRV"));
    // Rows for what current recorders write.
    EXPECT_STREQ(L"MPEG-4 Visual", FindVideoCodecName(L"FMP4"));
    EXPECT_STREQ(L"High Efficiency Video Coding (H.265)", FindVideoCodecName(L"HVC1"));
    EXPECT_STREQ(L"VP9", FindVideoCodecName(L"VP90"));
    EXPECT_EQ(nullptr, FindVideoCodecName(L"divx"));  // case-sensitive: callers upper-case
    EXPECT_EQ(nullptr, FindVideoCodecName(L"ABCD"));
    EXPECT_EQ(nullptr, FindVideoCodecName(L"DIV"));
    EXPECT_EQ(nullptr, FindVideoCodecName(L""));
    EXPECT_EQ(nullptr, FindVideoCodecName(nullptr));
}

TEST(CodecTables, AudioTableRowsAndTellingNames)
{
    size_t n = 0;
    const AudioCodecRow* rows = GetAudioCodecTable(&n);
    ASSERT_EQ(172u, n);
    struct Telling {
        size_t row;
        WORD tag;
        const wchar_t* name;
    } telling[] = {
        {0, 0x0000, L"Unknown"},
        {1, 0x0001, L"PCM AUDIO"},
        {2, 0x0002, L"ADPCM (Microsoft Corporation)"},
        {46, 0x0042, L"MSG723 (Microsoft Corporation)"},
        {48, 0x0050, L"MPEG (Microsoft Corporation)"},
        {51, 0x0055, L"MPEG Layer-3"},
        {87, 0x00FF, L"AAC(Advanced Audio Coding)"},
        {105, 0x0160, L"Window Media Audio 7"},
        {106, 0x0161, L"Window Media Audio 8"},
        {107, 0x0162, L"Window Media Audio 9"},
        {108, 0x0163, L"Window Media Audio 9 Lossless"},
        {143, 0x2000, L"ATSC/A-52 Dolby AC3"},
        {144, 0x2001, L"DTS audio"},
        {145, 0x674F, L"Ogg Vorbis - VORBIS_1"},
        {151, 0xA100, L"Nellymoser 8kHz Mono"},
        {152, 0xA200, L"Nellymoser"},
        {156, 0xA300, L"RealAudio 1.0 (VSELP)"},
        {160, 0xA304, L"Cook"},
        {165, 0xA400, L"MPC (musepack) SV8"},
        {170, 0xA405, L"WavPack lossles audio compressor"},
    };
    for (const auto& t : telling) {
        EXPECT_EQ(t.tag, rows[t.row].tag) << "row " << t.row;
        EXPECT_STREQ(t.name, rows[t.row].name) << "row " << t.row;
        EXPECT_STREQ(t.name, FindAudioCodecName(t.tag));
    }
    std::set<WORD> tags;
    for (size_t i = 0; i < n; ++i) {
        EXPECT_TRUE(tags.insert(rows[i].tag).second) << "tag listed twice: " << rows[i].tag;
        size_t len = std::wcslen(rows[i].name);
        EXPECT_TRUE(len > 0 && len <= 249) << "row " << i;
    }
    EXPECT_STREQ(L"Opus", FindAudioCodecName(0x704F));
    EXPECT_EQ(nullptr, FindAudioCodecName(0x3004));  // the RealAudio tags of other analysers are not rows
    EXPECT_EQ(nullptr, FindAudioCodecName(0xFFFF));
}

}  // namespace
