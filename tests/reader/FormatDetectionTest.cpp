#include <gtest/gtest.h>

#include <string>

#include "reader/FormatDetection.h"
#include "tests/support/TempDir.h"

namespace {

std::string BE32(uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string Box(const std::string& type, const std::string& payload)
{
    return BE32(static_cast<uint32_t>(8 + payload.size())) + type + payload;
}

std::string Box64(const std::string& type, const std::string& payload)
{
    uint64_t size = 16 + payload.size();
    return BE32(1) + type + BE32(static_cast<uint32_t>(size >> 32)) + BE32(static_cast<uint32_t>(size)) + payload;
}

const std::string kDocType = std::string("\x42\x82\x88", 3) + "matroska";

std::string At(size_t offset, const std::string& what, size_t total)
{
    std::string s(offset, 'x');
    s += what;
    if (s.size() < total) s.append(total - s.size(), 'y');
    return s;
}

struct Head {
    const char* what;
    std::string bytes;
    int type;
};

TEST(FormatDetection, SyntheticHeads)
{
    const std::string asfGuid("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
    const Head heads[] = {
        {"RIFF AVI", std::string("RIFF\x20\0\0\0AVI LIST", 16) + std::string(20, '\0'), FILETYPE_AVI},
        {"RIFF AVI holding moov", std::string("RIFF\x20\0\0\0AVI ", 12) + Box("moov", "abcd"), FILETYPE_AVI},
        {"RIFF WAVE", std::string("RIFF\x20\0\0\0WAVEfmt ", 16) + std::string(20, '\0'), FILETYPE_UNKNOWN},
        {"RIFF AVI cut short", std::string("RIFF\0\0\0\0AVI", 11), FILETYPE_UNKNOWN},
        {"ASF header GUID", asfGuid + std::string(14, '\0'), FILETYPE_ASF},
        {"ASF GUID one byte off", asfGuid.substr(0, 15) + "\x6D" + std::string(14, '\0'), FILETYPE_UNKNOWN},
        {"MP4 moov first", Box("ftyp", "isom") + Box("moov", ""), FILETYPE_MP4},
        {"MP4 moov after mdat", Box("ftyp", "isom") + Box("mdat", std::string(100, 'm')) + Box("moov", "x"),
         FILETYPE_MP4},
        {"MP4 64-bit box sizes", Box64("mdat", std::string(40, 'm')) + Box64("free", "") + Box("moov", ""),
         FILETYPE_MP4},
        {"MP4 without moov", Box("ftyp", "isom") + Box("mdat", "xx"), FILETYPE_UNKNOWN},
        {"box size 0", BE32(0) + "ftyp" + Box("moov", ""), FILETYPE_UNKNOWN},
        {"box size 4", BE32(4) + "ftyp" + Box("moov", ""), FILETYPE_UNKNOWN},
        {"64-bit box size below its header", BE32(1) + "mdat" + BE32(0) + BE32(8) + Box("moov", ""), FILETYPE_UNKNOWN},
        {"box past the end", BE32(0xFFFFFFF0) + "mdat" + Box("moov", ""), FILETYPE_UNKNOWN},
        {"RealMedia", ".RMF" + std::string(20, '\0'), FILETYPE_RM},
        {"RealAudio", std::string(".ra\xFD", 4) + std::string(20, '\0'), FILETYPE_RM},
        {"not RealAudio", std::string(".ra\xFE", 4) + std::string(20, '\0'), FILETYPE_UNKNOWN},
        {"Matroska DocType at 5", At(5, kDocType, 40), FILETYPE_MKV},
        {"Matroska DocType at count - 12", At(252, kDocType, 400), FILETYPE_MKV},
        {"Matroska DocType ending at byte 264", At(253, kDocType, 400), FILETYPE_UNKNOWN},
        {"Matroska DocType beyond 264 bytes", At(300, kDocType, 400), FILETYPE_UNKNOWN},
        {"eleven bytes of DocType", kDocType, FILETYPE_UNKNOWN},
        {"twelve bytes", kDocType + "z", FILETYPE_MKV},
        {"WebM DocType", At(5, std::string("\x42\x82\x84", 3) + "webm", 40), FILETYPE_MKV},
        {"DocType padded with NULs", At(5, std::string("\x42\x82\x8A", 3) + "matroska" + std::string(2, '\0'), 40),
         FILETYPE_MKV},
        {"DocType with a two-byte size", At(5, std::string("\x42\x82\x40\x04", 4) + "webm", 40), FILETYPE_MKV},
        {"DocType of another kind", At(5, std::string("\x42\x82\x84", 3) + "webx", 40), FILETYPE_UNKNOWN},
        {"DocType longer than matroska", At(5, std::string("\x42\x82\x89", 3) + "matroskaz", 40), FILETYPE_UNKNOWN},
        {"DocType size past the bytes read", At(250, std::string("\x42\x82\x8C", 3) + "matroska", 264),
         FILETYPE_UNKNOWN},
        {"Ogg", "OggS" + std::string(60, '\0'), FILETYPE_OGG},
        {"Ogg holding the Matroska DocType", "OggS" + At(10, kDocType, 100), FILETYPE_MKV},
        {"FLV", std::string("FLV\x01\x05\0\0\0\x09", 9), FILETYPE_FLV},
        {"FLV and garbage", "FLV" + std::string("\xFF\xFE garbage", 10), FILETYPE_FLV},
        {"FL only", "FL", FILETYPE_UNKNOWN},
        {"empty", "", FILETYPE_UNKNOWN},
        {"three bytes", "RIF", FILETYPE_UNKNOWN},
        {"text", "hello, world", FILETYPE_UNKNOWN},
        // A file two probes accept goes to the one asked first.
        {"MP4 holding the Matroska DocType", Box("moov", kDocType), FILETYPE_MP4},
        {"RealMedia holding the Matroska DocType", ".RMF" + At(2, kDocType, 40), FILETYPE_RM},
        {"FLV holding the Matroska DocType", "FLV" + At(2, kDocType, 40), FILETYPE_MKV},
    };
    TempDir dir;
    int n = 0;
    for (const Head& h : heads) {
        std::string name = "head" + std::to_string(n++);
        WriteBytes(dir.File(name), h.bytes);
        EXPECT_EQ(h.type, DetectFileFormat(dir.WFile(name).c_str())) << h.what;
    }
}

TEST(FormatDetection, UnreadablePathsAreUnknown)
{
    TempDir dir;
    EXPECT_EQ(FILETYPE_UNKNOWN, DetectFileFormat(dir.WFile("missing").c_str()));
    EXPECT_EQ(FILETYPE_UNKNOWN, DetectFileFormat(Utf8ToWide(dir.path()).c_str()));
    EXPECT_FALSE(ProbeFlv(dir.WFile("missing").c_str()));
}

TEST(FormatDetection, FactoryMakesFreshAnalysers)
{
    for (int type : {FILETYPE_AVI, FILETYPE_ASF, FILETYPE_MP4, FILETYPE_RM, FILETYPE_MKV, FILETYPE_OGG, FILETYPE_FLV}) {
        std::unique_ptr<MediaFileInfo> a = CreateFileParser(type);
        ASSERT_NE(nullptr, a) << type;
        EXPECT_EQ(type, a->m_nFileType);
        EXPECT_EQ(0, a->m_nStatus);
        EXPECT_EQ(0, a->m_nAudioCount);
        EXPECT_EQ(0, a->m_llFileSize);
        EXPECT_EQ(L'\0', a->m_szFilePath[0]);
    }
    for (int type : {0, -1, 8, 100}) EXPECT_EQ(nullptr, CreateFileParser(type)) << type;
}

}  // namespace
