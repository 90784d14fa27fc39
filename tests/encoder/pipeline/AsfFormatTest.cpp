// The ASF header reader of a job's source: the walk over files the ffmpeg
// command line writes and files built here, the SAMI body of the caption
// commands as the SAMI reader reads it back, and damaged headers that must
// end the walk cleanly.
#include "encoder/pipeline/AsfFormat.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "encoder/subtitles/SamiFile.h"
#include "foundation/PathHelpers.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"
#include "tests/encoder/subtitles/SubtitleTestUtil.h"
#include "tests/fuzz/AsfHeaderFuzzTarget.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TraceViewer.h"

namespace {

// --- Bytes of ASF objects ----------------------------------------------------

std::string LE16(uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string LE32(uint32_t v) { return LE16(v & 0xFFFF) + LE16(v >> 16); }
std::string LE64(uint64_t v) { return LE32(static_cast<uint32_t>(v)) + LE32(static_cast<uint32_t>(v >> 32)); }

std::string G(const GUID& g)
{
    return LE32(g.Data1) + LE16(g.Data2) + LE16(g.Data3) + std::string(reinterpret_cast<const char*>(g.Data4), 8);
}

constexpr GUID kHeader{0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kFileProperties{0x8CABDCA1, 0xA947, 0x11CF, {0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65}};
constexpr GUID kContentDescription{0x75B22633, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kData{0x75B22636, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
constexpr GUID kSimpleIndex{0x33000890, 0xE5B1, 0x11CF, {0x89, 0xF4, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xCB}};
constexpr GUID kScriptCommand{0x1EFB1A30, 0x0B62, 0x11D0, {0xA3, 0x9B, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
constexpr GUID kPadding{0x1806D474, 0xCADF, 0x4509, {0xA4, 0xBA, 0x9A, 0xAB, 0xCB, 0x96, 0xAA, 0xE8}};
constexpr GUID kCodecList{0x86D15240, 0x311D, 0x11D0, {0xA3, 0xA4, 0x00, 0xA0, 0xC9, 0x03, 0x48, 0xF6}};
constexpr GUID kIndex{0xD6E229D3, 0x35DA, 0x11D1, {0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE}};

// An object with its real size, or a size of the test's choosing.
std::string Obj(const GUID& g, const std::string& body) { return G(g) + LE64(24 + body.size()) + body; }
std::string ObjSized(const GUID& g, uint64_t size, const std::string& body) { return G(g) + LE64(size) + body; }

std::string Utf16(const std::wstring& text) { return WideToUtf16LeBytes(text); }

std::string FileProperties(uint64_t preroll)
{
    return Obj(kFileProperties, std::string(16, 'F') + LE64(0) + LE64(0) + LE64(1) + LE64(50000000) + LE64(20000000) +
                                    LE64(preroll) + LE32(2) + LE32(3200) + LE32(3200) + LE32(100000));
}

struct Command {
    uint32_t ms;
    WORD type;
    std::wstring text;
};

// A script command object; names are counted in characters, without a NUL.
std::string ScriptCommands(const std::vector<std::wstring>& types, const std::vector<Command>& commands)
{
    std::string body =
        std::string(16, 'R') + LE16(static_cast<uint32_t>(commands.size())) + LE16(static_cast<uint32_t>(types.size()));
    for (const std::wstring& t : types) body += LE16(static_cast<uint32_t>(t.size())) + Utf16(t);
    for (const Command& c : commands)
        body += LE32(c.ms) + LE16(c.type) + LE16(static_cast<uint32_t>(c.text.size())) + Utf16(c.text);
    return Obj(kScriptCommand, body);
}

// A header object around the objects, then what follows the header.
std::string AsfFile(const std::vector<std::string>& headerObjects, const std::string& after = "")
{
    std::string objects;
    for (const std::string& o : headerObjects) objects += o;
    return G(kHeader) + LE64(30 + objects.size()) + LE32(static_cast<uint32_t>(headerObjects.size())) + "\x01\x02" +
           objects + after;
}

std::string DataObject(size_t packetBytes)
{
    return Obj(kData, std::string(16, 'F') + LE64(1) + LE16(0x0101) + std::string(packetBytes, 'P'));
}

// Opens the file within 10 s; a walk that has not ended by then ends the
// test program instead of hanging it.
int OpenWithin(CAsfFormat& asf, const std::string& path)
{
    auto done = std::async(std::launch::async, [&] { return asf.Open(CString(Utf8ToWide(path))); });
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the ASF walk of %s did not end within 10 s\n", path.c_str());
        std::fflush(stderr);
        std::_Exit(1);
    }
    return done.get();
}

std::vector<std::wstring> Texts(const CAsfFormat& asf)
{
    std::vector<std::wstring> out;
    for (const auto& c : asf.Commands()) out.push_back(c.sName.GetString());
    return out;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// --- Script commands and their SAMI body -------------------------------------

TEST(AsfFormat, CaptionCommandsBecomeTheSamiBodyThatTheSamiReaderReadsBack)
{
    TempDir dir;
    const std::string path = dir.File("captions.asf");
    // Two types; the second, "caption" in lower case, makes every command a
    // caption, the URL ones included.
    WriteBytes(path,
               AsfFile({FileProperties(3000), ScriptCommands({L"URL", L"caption"}, {{1000, 1, L"early"},
                                                                                    {5000, 1, L"안녕하세요"},
                                                                                    {6000, 0, L"http://x"},
                                                                                    {9500, 1, L"끝 & <b>end</b>"}})}));
    CAsfFormat asf;
    ASSERT_EQ(1, OpenWithin(asf, path));
    EXPECT_TRUE(asf.HasHeaderObject());
    EXPECT_EQ(3000u, asf.FileProperties().preroll);
    EXPECT_EQ(4, asf.CommandsCount());
    EXPECT_EQ(2, asf.CommandTypesCount());
    ASSERT_EQ((std::vector<std::wstring>{L"early", L"안녕하세요", L"http://x", L"끝 & <b>end</b>"}), Texts(asf));

    const std::string sami = dir.File("out.smi");
    ASSERT_EQ(1, asf.ExportCommandsAsSami(CString(Utf8ToWide(sami))));
    // The body alone, in the ANSI code page (949, as iconv writes it), each
    // line ended with CR LF, starts less the preroll.
    const std::string expected = ConvertWithIconv(
        "<BODY>\r\n"
        "<SYNC Start=-2000><P Class=KRCC>early\r\n"
        "<SYNC Start=2000><P Class=KRCC>안녕하세요\r\n"
        "<SYNC Start=3000><P Class=KRCC>http://x\r\n"
        "<SYNC Start=6500><P Class=KRCC>끝 & <b>end</b>\r\n"
        "</BODY>\r\n",
        "CP949", dir);
    EXPECT_EQ(expected, ReadBytes(sami));

    SubtitleOpenParams params;
    params.nCodePage = 949;
    ComPtr<ISubPicProvider> provider(CreateSamiProvider(CString(Utf8ToWide(sami)), &params));
    ASSERT_TRUE(provider);
    EXPECT_EQ("안녕하세요", ShowAt(provider.Get(), 2500).text);
    EXPECT_EQ(2000, ShowAt(provider.Get(), 2500).start);
    EXPECT_EQ("http://x", ShowAt(provider.Get(), 3000).text);
    EXPECT_EQ("끝 & @@<end@@>", ShowAt(provider.Get(), 7000).text);
}

TEST(AsfFormat, OnlyCaptionTypesKeepCommands)
{
    struct Case {
        const char* what;
        std::vector<std::wstring> types;
        size_t kept;
    } const cases[] = {
        {"TEXT", {L"TEXT"}, 2},
        {"Caption among others", {L"URL", L"FILENAME", L"Caption"}, 2},
        {"no caption type", {L"URL", L"EVENT"}, 0},
        {"no types", {}, 0},
        {"a type that only starts like one", {L"TEXTS", L"CAPTIONS"}, 0},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteBytes(dir.File("a.asf"),
                   AsfFile({ScriptCommands(c.types, {{100, 0, L"one"}, {200, 0, L"two"}})}, DataObject(10)));
        CAsfFormat asf;
        ASSERT_EQ(1, OpenWithin(asf, dir.File("a.asf"))) << c.what;
        EXPECT_EQ(c.kept, asf.Commands().size()) << c.what;
        // Without commands nothing is written, not even an empty file.
        const std::string out = dir.File("out.smi");
        EXPECT_EQ(c.kept ? 1 : 0, asf.ExportCommandsAsSami(CString(Utf8ToWide(out)))) << c.what;
        EXPECT_EQ(c.kept > 0, Exists(out)) << c.what;
    }
}

TEST(AsfFormat, TemporarySamiIsAFileOfItsOwnInThePrivateFolder)
{
    TempDir dir;
    WriteBytes(dir.File("a.asf"), AsfFile({ScriptCommands({L"TEXT"}, {{4000, 0, L"x"}})}));
    CAsfFormat asf;
    ASSERT_EQ(1, OpenWithin(asf, dir.File("a.asf")));
    const CString first = asf.ExportCommandsToTemporarySami();
    const CString second = asf.ExportCommandsToTemporarySami();
    ASSERT_FALSE(first.IsEmpty());
    ASSERT_FALSE(second.IsEmpty());
    EXPECT_NE(first, second);
    const CString folder = GetTempFolder();
    EXPECT_EQ(folder, GetFolderPart(first));
    EXPECT_EQ("<BODY>\r\n<SYNC Start=4000><P Class=KRCC>x\r\n</BODY>\r\n", ReadBytes(WideToUtf8(first.GetString())));
    // Only the user may enter the folder.
    struct stat st {};
    ASSERT_EQ(0, stat(WideToUtf8(folder.GetString()).c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    EXPECT_TRUE(DeleteFileW(first));
    EXPECT_TRUE(DeleteFileW(second));

    CAsfFormat empty;
    WriteBytes(dir.File("b.asf"), AsfFile({FileProperties(0)}));
    ASSERT_EQ(1, OpenWithin(empty, dir.File("b.asf")));
    EXPECT_TRUE(empty.ExportCommandsToTemporarySami().IsEmpty());
}

// --- Files the ffmpeg command line writes ------------------------------------

// The file with an object put in at a byte offset; when it goes inside the
// header, the header's size and object count grow with it.
std::string Insert(const std::string& file, size_t at, const std::string& object)
{
    std::string out = file.substr(0, at) + object + file.substr(at);
    uint64_t headerSize = 0;
    for (int i = 7; i >= 0; --i) headerSize = headerSize << 8 | static_cast<BYTE>(file[16 + i]);
    if (at <= headerSize) {
        out.replace(16, 8, LE64(headerSize + object.size()));
        uint32_t count = 0;
        for (int i = 3; i >= 0; --i) count = count << 8 | static_cast<BYTE>(file[24 + i]);
        out.replace(24, 4, LE32(count + 1));
    }
    return out;
}

uint64_t HeaderSize(const std::string& file)
{
    uint64_t size = 0;
    for (int i = 7; i >= 0; --i) size = size << 8 | static_cast<BYTE>(file[16 + i]);
    return size;
}

TEST(AsfFormat, WalksARealFileIntoTheDataAndWhatFollowsIt)
{
    TempDir dir;
    const std::string made = MakeMedia(
        dir, "made.wmv",
        TestPicture(1) + " " + TestTone(1) + " -c:v wmv2 -c:a wmav2 -metadata title=Title -metadata author=Author");
    const std::string bytes = ReadBytes(made);
    ASSERT_GT(bytes.size(), 30u);
    const ProbedFile probed = ProbeFile(made);

    const struct {
        const char* where;
        size_t at;
    } cases[] = {
        {"at the end of the header", static_cast<size_t>(HeaderSize(bytes))},
        {"after the data and the index", bytes.size()},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File("spliced.wmv");
        WriteBytes(path, Insert(bytes, c.at, ScriptCommands({L"TEXT"}, {{3500, 0, L"hello"}})));
        CAsfFormat asf;
        ASSERT_EQ(1, OpenWithin(asf, path)) << c.where;
        EXPECT_EQ(L"Title", asf.Title()) << c.where;
        EXPECT_EQ(L"Author", asf.Author()) << c.where;
        // ffmpeg lists one codec entry per stream.
        EXPECT_EQ(probed.streams.size(), asf.CodecEntries().size()) << c.where;
        EXPECT_GT(asf.DataPacketsTotal(), 0u) << c.where;
        EXPECT_EQ(std::vector<std::wstring>{L"hello"}, Texts(asf)) << c.where;
        // The command's start is measured from the end of the file's preroll.
        const std::string sami = dir.File("out.smi");
        ASSERT_EQ(1, asf.ExportCommandsAsSami(CString(Utf8ToWide(sami))));
        const int start = 3500 - static_cast<int>(asf.FileProperties().preroll);
        EXPECT_EQ("<BODY>\r\n<SYNC Start=" + std::to_string(start) + "><P Class=KRCC>hello\r\n</BODY>\r\n",
                  ReadBytes(sami));
    }
}

// --- Damaged headers ---------------------------------------------------------

TEST(AsfFormat, DamagedObjectsEndTheWalkAndKeepWhatWasRead)
{
    const std::string commands = ScriptCommands({L"TEXT"}, {{1, 0, L"kept"}});
    const std::string later = ScriptCommands({L"TEXT"}, {{2, 0, L"later"}});
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::wstring> texts;
    } const cases[] = {
        {"a skipped object of size 0", AsfFile({commands, ObjSized(kPadding, 0, ""), later}), {L"kept"}},
        {"a skipped object smaller than its header", AsfFile({commands, ObjSized(kPadding, 10, ""), later}), {L"kept"}},
        {"a skipped object of exactly its header",
         AsfFile({commands, ObjSized(kPadding, 24, ""), later}),
         {L"kept", L"later"}},
        {"a data object smaller than its fixed part",
         AsfFile({commands}, ObjSized(kData, 30, std::string(26, 'D')) + later),
         {L"kept"}},
        {"a data object of size 0", AsfFile({commands}, ObjSized(kData, 0, std::string(26, 'D')) + later), {L"kept"}},
        {"a skipped object reaching past the end",
         AsfFile({commands, ObjSized(kPadding, 1000000, ""), later}),
         {L"kept"}},
        {"a skipped object of the largest size", AsfFile({commands, ObjSized(kPadding, ~0ull, ""), later}), {L"kept"}},
        {"a data object of the largest size",
         AsfFile({commands}, ObjSized(kData, ~0ull, std::string(26, 'D'))),
         {L"kept"}},
        // Header 30, object header 24, fixed part 20, the type 10, the first
        // command 16: the file ends 10 bytes into the second command.
        {"commands cut short keep those before",
         AsfFile({ScriptCommands({L"TEXT"}, {{1, 0, L"kept"}, {2, 0, L"lost"}})}).substr(0, 110),
         {L"kept"}},
        {"a command longer than its object",
         AsfFile({ObjSized(kScriptCommand, 24 + 20 + 2 + 8 + 10,
                           std::string(16, 'R') + LE16(1) + LE16(1) + LE16(4) + Utf16(L"TEXT") + LE32(5) + LE16(0) +
                               LE16(60000)),
                  later}) +
             std::string(200000, 'x'),
         {}},
        {"an object the walk does not know ends it", AsfFile({commands}, Obj(kIndex, "idx") + later), {L"kept"}},
        {"a header object only", AsfFile({}), {}},
        {"a header cut short", AsfFile({commands}).substr(0, 20), {}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteBytes(dir.File("d.asf"), c.file);
        CAsfFormat asf;
        EXPECT_EQ(1, OpenWithin(asf, dir.File("d.asf"))) << c.what;
        EXPECT_EQ(c.texts, Texts(asf)) << c.what;
    }
}

TEST(AsfFormat, FilesThatAreNoAsfOrNoFile)
{
    TempDir dir;
    CAsfFormat missing;
    EXPECT_EQ(0, OpenWithin(missing, dir.File("none.asf")));
    EXPECT_FALSE(missing.HasHeaderObject());

    WriteBytes(dir.File("x.asf"), "RIFF" + std::string(100, '\0') + ScriptCommands({L"TEXT"}, {{1, 0, L"x"}}));
    CAsfFormat other;
    EXPECT_EQ(1, OpenWithin(other, dir.File("x.asf")));
    EXPECT_FALSE(other.HasHeaderObject());
    EXPECT_TRUE(other.Commands().empty());
    EXPECT_EQ(0, other.ExportCommandsAsSami(CString(dir.WFile("out.smi"))));
    EXPECT_FALSE(Exists(dir.File("out.smi")));

    // Two opens add to the lists.
    WriteBytes(dir.File("c.asf"), AsfFile({ScriptCommands({L"TEXT"}, {{1, 0, L"a"}})}));
    CAsfFormat twice;
    EXPECT_EQ(1, OpenWithin(twice, dir.File("c.asf")));
    EXPECT_EQ(1, OpenWithin(twice, dir.File("c.asf")));
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"a"}), Texts(twice));
}

TEST(AsfFormat, DataObjectBeyondFourGigabytesIsSkippedWhole)
{
    TempDir dir;
    const std::string path = dir.File("sparse.asf");
    // The data object's packets run past 4 GB; the file holds holes there,
    // then a simple index and a script command object.
    constexpr uint64_t kPackets = (5ull << 30) + 123;
    const std::string head =
        AsfFile({FileProperties(0)}) + ObjSized(kData, 50 + kPackets, std::string(16, 'F') + LE64(7) + LE16(0x0101));
    const std::string tail = Obj(kSimpleIndex, std::string(16, 'F') + LE64(10000000) + LE32(1) + LE32(2) + LE32(0) +
                                                   LE16(1) + LE32(1) + LE16(1)) +
                             ScriptCommands({L"CAPTION"}, {{3, 0, L"after the data"}});
    int fd = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(static_cast<ssize_t>(head.size()), pwrite(fd, head.data(), head.size(), 0));
    ASSERT_EQ(static_cast<ssize_t>(tail.size()),
              pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size() + kPackets)));
    close(fd);

    CAsfFormat asf;
    ASSERT_EQ(1, OpenWithin(asf, path));
    EXPECT_EQ(7u, asf.DataPacketsTotal());
    EXPECT_EQ(std::vector<std::wstring>{L"after the data"}, Texts(asf));
}

TEST(AsfFormat, EachObjectAndTextReadIsTraced)
{
    // A trace viewer of the test's own in a runtime folder of its own.
    RuntimeFolder runtime;
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());

    TempDir dir;
    const std::string content = Obj(kContentDescription, LE16(10) + LE16(4) + LE16(0) + LE16(0) + LE16(2) +
                                                             Utf16(L"Title") + Utf16(L"Me") + Utf16(L"G"));
    const std::string codecs = Obj(kCodecList, std::string(16, 'R') + LE32(1) + LE16(1) + LE16(4) + Utf16(L"WMV8") +
                                                   LE16(3) + Utf16(L"low") + LE16(4) + "FOUR");
    WriteBytes(dir.File("t.asf"),
               AsfFile({FileProperties(0), content, codecs, ScriptCommands({L"TEXT"}, {{1, 0, L"x"}})}, DataObject(5)));
    CAsfFormat asf;
    ASSERT_EQ(1, OpenWithin(asf, dir.File("t.asf")));

    const std::vector<std::string> traces = viewer.Lines();
    EXPECT_EQ(
        (std::vector<std::string>{"ASF_File_Properties_Object", "ASF_Content_Description_Object", "title : Title",
                                  "m_contentDesc : Me", "sRating : G", "ASF_Codec_List_Object", "codec name : WMV8",
                                  "codec desc : low", "ASF_Script_Command_Object", "ASF_Data_Object"}),
        traces);
    ASSERT_EQ(1u, asf.CodecEntries().size());
    EXPECT_EQ(L"WMV8", asf.CodecEntries()[0].sName);
    EXPECT_EQ(L"low", asf.CodecEntries()[0].sDescription);
    EXPECT_EQ(4, asf.CodecEntries()[0].nInformationLength);
    EXPECT_EQ(L"Title", asf.Title());
    EXPECT_EQ(L"Me", asf.Author());
    EXPECT_EQ(L"G", asf.Rating());
    EXPECT_TRUE(asf.Copyright().IsEmpty());
}

// Replays inputs through the fuzz target's body, so that every build runs it:
// a file of the ffmpeg command line with a caption command in its header,
// cut at many lengths and with bytes changed deterministically.
TEST(AsfFormat, FuzzReplayOfCutAndChangedFiles)
{
    TempDir dir;
    const std::string made = ReadBytes(
        MakeMedia(dir, "a.wmv", TestPicture(0.3) + " " + TestTone(0.3) + " -c:v wmv2 -c:a wmav2 -metadata title=T"));
    ASSERT_GT(made.size(), 30u);
    const std::string whole = Insert(made, 30, ScriptCommands({L"TEXT"}, {{4000, 0, L"hi"}}));
    auto feed = [](const std::string& bytes) {
        FuzzAsfHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    };
    feed(whole);
    for (size_t cut = 0; cut < std::min<size_t>(whole.size(), 6000); cut += 53) feed(whole.substr(0, cut));
    uint32_t state = 2023;
    auto next = [&state] { return state = state * 1103515245u + 12345u; };
    for (int i = 0; i < 300; ++i) {
        std::string bytes = whole;
        for (int c = 0; c < 1 + static_cast<int>(next() % 6); ++c) {
            size_t at = next() % std::min<size_t>(bytes.size(), 1200);
            bytes[at] = (next() & 1) ? static_cast<char>(next() >> 16) : (next() & 2 ? '\xFF' : '\0');
        }
        feed(bytes);
    }
    feed("");
}

}  // namespace
