#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "foundation/PathHelpers.h"
#include "foundation/ZipReader.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// ---- Fixtures --------------------------------------------------------------------

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Compressible text of about the given size, the same on every run.
std::string WordText(size_t size, unsigned seed)
{
    static const char* kWords[] = {"skin ", "button ", "image ", "layer ", "script\n", "한글 ", "0123 "};
    std::string out;
    unsigned x = seed;
    while (out.size() < size) {
        x = x * 1103515245u + 12345u;
        out += kWords[(x >> 16) % 7];
    }
    return out;
}

// Source tree the tool-made archives are built from: folders, an empty file,
// a file over 1 MB, upper-case and missing extensions, a Hangul name.
void MakeTree(const std::string& root)
{
    fs::create_directories(root + "/images/deep");
    fs::create_directories(root + "/empty-folder");
    WriteBytes(root + "/skin.xml", "<skin><button/></skin>\n");
    WriteBytes(root + "/README", "no extension\n");
    WriteBytes(root + "/empty.txt", "");
    WriteBytes(root + "/big.bin", WordText(1536 * 1024, 7));
    std::string binary;
    for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    WriteBytes(root + "/images/pic.BMP", binary);
    WriteBytes(root + "/images/deep/c.png", WordText(5000, 3));
    WriteBytes(root + "/한글.txt", "hangul name\n");
}

std::string PythonStreamScript(const std::string& root)
{
    // Written to a pipe, so every entry gets a data descriptor.
    return "import os, sys, zipfile\n"
           "root = " +
           Quote(root) +
           "\n"
           "with zipfile.ZipFile(sys.stdout.buffer, 'w') as z:\n"
           "    n = 0\n"
           "    for d, dirs, files in sorted(os.walk(root)):\n"
           "        rel = os.path.relpath(d, root)\n"
           "        if rel != '.':\n"
           "            z.writestr(rel + '/', b'')\n"
           "        for f in sorted(files):\n"
           "            n += 1\n"
           "            p = os.path.join(d, f)\n"
           "            arc = os.path.relpath(p, root)\n"
           "            z.write(p, arc, zipfile.ZIP_DEFLATED if n % 2 else zipfile.ZIP_STORED)\n";
}

// A small archive writer for inputs no tool would make.
struct Entry {
    std::string name;
    std::string data;
    int method = 0;  // 0 stored, 8 deflated
    WORD flags = 0;
    DWORD attributes = 0;
    // Overrides of what the local header claims.
    int64_t crc = -1, compressedSize = -1, uncompressedSize = -1;
};

void Put16(std::string& s, unsigned v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string RawDeflate(const std::string& data)
{
    z_stream zs{};
    deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    zs.avail_in = static_cast<uInt>(data.size());
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = static_cast<uInt>(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

std::string BuildZip(const std::vector<Entry>& entries)
{
    std::string zip, central;
    for (const Entry& e : entries) {
        std::string payload = e.method == 8 ? RawDeflate(e.data) : e.data;
        uint32_t crc = static_cast<uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        uint32_t c = e.crc >= 0 ? static_cast<uint32_t>(e.crc) : crc;
        uint32_t cs = e.compressedSize >= 0 ? static_cast<uint32_t>(e.compressedSize) : payload.size();
        uint32_t us = e.uncompressedSize >= 0 ? static_cast<uint32_t>(e.uncompressedSize) : e.data.size();
        uint32_t offset = static_cast<uint32_t>(zip.size());
        Put32(zip, 0x04034B50);
        Put16(zip, 20);
        Put16(zip, e.flags);
        Put16(zip, static_cast<unsigned>(e.method));
        Put16(zip, 0);
        Put16(zip, 0x21);
        Put32(zip, c);
        Put32(zip, cs);
        Put32(zip, us);
        Put16(zip, static_cast<unsigned>(e.name.size()));
        Put16(zip, 0);
        zip += e.name + payload;
        Put32(central, 0x02014B50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, e.flags);
        Put16(central, static_cast<unsigned>(e.method));
        Put16(central, 0);
        Put16(central, 0x21);
        Put32(central, c);
        Put32(central, cs);
        Put32(central, us);
        Put16(central, static_cast<unsigned>(e.name.size()));
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, e.attributes);
        Put32(central, offset);
        central += e.name;
    }
    uint32_t cdOffset = static_cast<uint32_t>(zip.size());
    zip += central;
    Put32(zip, 0x06054B50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, static_cast<unsigned>(entries.size()));
    Put16(zip, static_cast<unsigned>(entries.size()));
    Put32(zip, static_cast<uint32_t>(central.size()));
    Put32(zip, cdOffset);
    Put16(zip, 0);
    return zip;
}

void Set32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Set16(std::string& s, size_t at, unsigned v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

std::vector<size_t> FindAll(const std::string& s, const char* sig)
{
    std::vector<size_t> at;
    for (size_t p = s.find(sig, 0, 4); p != std::string::npos; p = s.find(sig, p + 1, 4)) at.push_back(p);
    return at;
}
const char kLocalSig[] = "PK\x03\x04";
const char kCentralSig[] = "PK\x01\x02";
const char kEndSig[] = "PK\x05\x06";
const char kDescriptorSig[] = "PK\x07\x08";

std::string StoredName(const SLocalFileHeader& e)
{
    std::string n = e.sName;
    std::replace(n.begin(), n.end(), '\\', '/');
    return n;
}

std::vector<const SLocalFileHeader*> Entries(const CZipReader& zip)
{
    std::vector<const SLocalFileHeader*> out;
    for (POSITION p = zip.GetEntries().GetHeadPosition(); p;) out.push_back(&zip.GetEntries().GetNext(p));
    return out;
}

std::string Extracted(CZipReader& zip, bool* ok = nullptr)
{
    BYTE* buffer = nullptr;
    DWORD size = 0;
    bool done = zip.ExtractToMemory(buffer, size);
    if (ok) *ok = done;
    std::string out = done ? std::string(reinterpret_cast<char*>(buffer), size) : std::string();
    std::free(buffer);
    return out;
}

class ZipReaderTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        WriteBytes(dir_.File(name), bytes);
        return dir_.File(name);
    }
    std::wstring W(const std::string& path) { return Utf8ToWide(path); }
    TempDir dir_;
};

// ---- Archives made by the tools ----------------------------------------------------

// Archives from the zip tool (deflated, stored, streamed to a pipe) and from
// Python's zipfile (streamed, mixed methods) list the names unzip lists and
// unpack to the very bytes they were made from.
TEST_F(ZipReaderTest, ToolArchivesUnpackToTheOriginals)
{
    const std::string src = dir_.File("src");
    MakeTree(src);
    WriteBytes(dir_.File("stream.py"), PythonStreamScript(src));
    struct Kind {
        const char* name;
        std::string command;
    } kinds[] = {
        {"deflated", "cd " + Quote(src) + " && zip -q -r -9 ../deflated.zip ."},
        {"stored", "cd " + Quote(src) + " && zip -q -r -0 ../stored.zip ."},
        {"streamed", "cd " + Quote(src) + " && zip -q -r - . | cat > ../streamed.zip"},
        {"python", "python3 " + Quote(dir_.File("stream.py")) + " | cat > " + Quote(dir_.File("python.zip"))},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        int rc = -1;
        RunTool(k.command, &rc);
        ASSERT_EQ(0, rc);
        std::string archive = dir_.File(std::string(k.name) + ".zip");

        CZipReader zip;
        zip.m_nCodePage = CP_UTF8;  // names on this system are UTF-8
        ASSERT_TRUE(zip.Open(W(archive).c_str())) << zip.GetErrorCode();
        EXPECT_TRUE(zip.IsOpen());
        EXPECT_EQ(0, zip.GetErrorCode());

        std::string listed = RunTool("unzip -Z1 " + Quote(archive));
        std::multiset<std::string> expected, ours;
        for (size_t a = 0, b; a < listed.size(); a = b + 1) {
            b = listed.find('\n', a);
            if (b == std::string::npos) b = listed.size();
            if (b > a) expected.insert(listed.substr(a, b - a));
        }
        for (const SLocalFileHeader* e : Entries(zip)) {
            ours.insert(StoredName(*e));
            bool folder = e->dwExternalAttributes & 0x10;
            EXPECT_EQ(folder, StoredName(*e).back() == '/') << StoredName(*e);
        }
        EXPECT_EQ(expected, ours);

        for (const SLocalFileHeader* e : Entries(zip)) {
            std::string name = StoredName(*e);
            if (name.back() == '/') continue;
            ASSERT_TRUE(zip.FindEntry(Utf8ToWide(name).c_str())) << name;
            bool ok = false;
            std::string data = Extracted(zip, &ok);
            std::string original = ReadBytes(src + "/" + name);
            // An empty entry has nothing to put in memory.
            EXPECT_EQ(!original.empty(), ok) << name << " error " << zip.GetErrorCode();
            EXPECT_TRUE(data == original) << name;
        }

        std::string out = dir_.File(std::string("out-") + k.name);
        ASSERT_TRUE(zip.ExtractAllExcept(W(out).c_str(), "")) << zip.GetErrorCode();
        RunTool("diff -r " + Quote(src) + " " + Quote(out), &rc);
        EXPECT_EQ(0, rc) << "unpacked tree differs from the source";
        EXPECT_TRUE(zip.Close());
        EXPECT_FALSE(zip.IsOpen());
        EXPECT_TRUE(zip.GetEntries().IsEmpty());
        fs::remove_all(out);
    }
}

TEST_F(ZipReaderTest, FindEntryIgnoresCaseAndSeparatorKind)
{
    std::string path = Write("a.zip", BuildZip({{"skin.xml", "x"}, {"Images/Pic.bmp", "p"}, {"skin.xml", "second"}}));
    CZipReader zip;
    ASSERT_TRUE(zip.Open(W(path).c_str()));
    struct Row {
        const wchar_t* name;
        const char* data;
    } rows[] = {
        {L"Skin.XML", "x"},  // the first of two equal names
        {L"images\\pic.BMP", "p"}, {L"IMAGES/PIC.BMP", "p"}, {L"skin.xm", nullptr}, {L"", nullptr},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.data != nullptr, zip.FindEntry(r.name)) << WideToUtf8(r.name);
        if (r.data)
            EXPECT_EQ(std::string(r.data), Extracted(zip));
        else
            EXPECT_EQ(nullptr, zip.GetCurrentEntry());
    }
    EXPECT_TRUE(zip.FindEntryNarrow("IMAGES\\PIC.BMP"));
    EXPECT_EQ("Images\\Pic.bmp", zip.GetCurrentEntry()->sName);
}

// Names in the archive's code page: UTF-8 from this system's zip tool when
// the reader is told so, CP949 (the default ANSI setting) otherwise.
TEST_F(ZipReaderTest, HangulNamesInEitherCodePage)
{
    const std::string cp949Name = "\xC7\xD1\xB1\xDB.txt";  // 한글.txt
    fs::create_directories(dir_.File("k"));
    WriteBytes(dir_.File("k/") + cp949Name, "euc-kr named\n");
    WriteBytes(dir_.File("k/") + "한글.txt", "utf-8 named\n");
    int rc = -1;
    RunTool("cd " + Quote(dir_.File("k")) + " && zip -q ../cp949.zip " + Quote(cp949Name) + " && zip -q ../utf8.zip " +
                Quote("한글.txt"),
            &rc);
    ASSERT_EQ(0, rc);
    struct Row {
        const char* archive;
        int codePage;
        const char* data;
    } rows[] = {{"cp949.zip", 0, "euc-kr named\n"}, {"utf8.zip", CP_UTF8, "utf-8 named\n"}};
    for (const Row& r : rows) {
        CZipReader zip;
        zip.m_nCodePage = r.codePage;
        ASSERT_TRUE(zip.Open(W(dir_.File(r.archive)).c_str()));
        ASSERT_TRUE(zip.FindEntry(L"한글.txt")) << r.archive;
        EXPECT_EQ(std::string(r.data), Extracted(zip));
        std::string out = dir_.File(std::string("out-") + r.archive);
        ASSERT_TRUE(zip.ExtractEntryTo(W(out).c_str()));
        EXPECT_EQ(std::string(r.data), ReadBytes(out + "/한글.txt"));
    }
}

TEST_F(ZipReaderTest, ExtractAllExceptSkipsListedExtensionsBySubstring)
{
    std::string path = Write("s.zip", BuildZip({{"a.BMP", "1"},
                                                {"b.xml", "2"},
                                                {"c.png", "3"},
                                                {"README", "4"},
                                                {"d.x", "5"},
                                                {"e.xm", "6"},
                                                {"f.ini", "7"},
                                                {"sub/", "", 0, 0, 0x10},
                                                {"sub/g.PNG", "8", 8}}));
    struct Row {
        const char* list;
        std::set<std::string> extracted;
    } rows[] = {
        {".bmp;.xml;.ini", {"c.png", "README", "sub/g.PNG"}},
        {".xml", {"a.BMP", "c.png", "README", "f.ini", "sub/g.PNG"}},
        {".PNG", {"a.BMP", "b.xml", "README", "d.x", "e.xm", "f.ini"}},
    };
    for (const Row& r : rows) {
        CZipReader zip;
        ASSERT_TRUE(zip.Open(W(path).c_str()));
        std::string out = dir_.File("out");
        fs::remove_all(out);
        ASSERT_TRUE(zip.ExtractAllExcept(W(out).c_str(), r.list));
        std::set<std::string> found;
        for (const auto& f : fs::recursive_directory_iterator(out))
            if (f.is_regular_file()) found.insert(fs::relative(f.path(), out).string());
        EXPECT_EQ(r.extracted, found) << r.list;
        EXPECT_TRUE(fs::is_directory(out + "/sub"));
    }
}

TEST_F(ZipReaderTest, FolderEntriesAndMissingFolders)
{
    std::string path = Write("f.zip", BuildZip({{"skin/images/", "", 0, 0, 0x10}, {"skin/a.txt", "text"}}));
    CZipReader zip;
    ASSERT_TRUE(zip.Open(W(path).c_str()));
    ASSERT_TRUE(zip.FindEntry(L"skin\\images\\"));
    EXPECT_TRUE(zip.ExtractToFile(W(dir_.File("x/skin/images")).c_str()));
    EXPECT_TRUE(fs::is_directory(dir_.File("x/skin/images")));
    ASSERT_TRUE(zip.FindEntry(L"skin/a.txt"));
    EXPECT_TRUE(zip.ExtractToFile(W(dir_.File("y/z/deeper/a.txt")).c_str()));
    EXPECT_EQ("text", ReadBytes(dir_.File("y/z/deeper/a.txt")));
    // Replacing an existing file.
    WriteBytes(dir_.File("old.txt"), "old content that is longer");
    EXPECT_TRUE(zip.ExtractToFile(W(dir_.File("old.txt")).c_str()));
    EXPECT_EQ("text", ReadBytes(dir_.File("old.txt")));
    // No leftovers of the unpacking beside the targets.
    for (const auto& f : fs::recursive_directory_iterator(dir_.path()))
        EXPECT_EQ(std::string::npos, f.path().filename().string().find(".unzip-")) << f.path();
}

TEST_F(ZipReaderTest, EmptyMissingAndClosed)
{
    CZipReader zip;
    EXPECT_FALSE(zip.IsOpen());
    int rc = -1;
    RunTool("python3 -c \"import zipfile; zipfile.ZipFile('" + dir_.File("empty.zip") + "', 'w').close()\"", &rc);
    ASSERT_EQ(0, rc);
    ASSERT_EQ(22u, ReadBytes(dir_.File("empty.zip")).size());
    EXPECT_TRUE(zip.Open(W(dir_.File("empty.zip")).c_str()));
    EXPECT_TRUE(zip.GetEntries().IsEmpty());
    EXPECT_FALSE(zip.FindEntry(L"a"));
    BYTE* buffer = nullptr;
    DWORD size = 0;
    EXPECT_FALSE(zip.ExtractToMemory(buffer, size));
    EXPECT_FALSE(zip.ExtractToFile(W(dir_.File("nothing")).c_str()));

    EXPECT_TRUE(zip.Open(W(Write("zero.zip", "")).c_str()));
    EXPECT_TRUE(zip.GetEntries().IsEmpty());

    EXPECT_FALSE(zip.Open(W(dir_.File("missing.zip")).c_str()));
    EXPECT_EQ(CZipReader::kErrOpen, zip.GetErrorCode());
    EXPECT_FALSE(zip.IsOpen());
    EXPECT_FALSE(zip.Open(W(dir_.path()).c_str()));
    EXPECT_EQ(CZipReader::kErrOpen, zip.GetErrorCode());

    // Reopening after Close works; Close clears the error.
    std::string path = Write("one.zip", BuildZip({{"a", "b"}}));
    EXPECT_TRUE(zip.Open(W(path).c_str()));
    EXPECT_TRUE(zip.Close());
    EXPECT_EQ(0, zip.GetErrorCode());
    EXPECT_TRUE(zip.Open(W(path).c_str()));
    ASSERT_TRUE(zip.FindEntry(L"a"));
    EXPECT_EQ("b", Extracted(zip));
}

TEST_F(ZipReaderTest, EncryptedEntriesFailClearly)
{
    WriteBytes(dir_.File("secret.txt"), WordText(2000, 5));
    int rc = -1;
    RunTool("cd " + Quote(dir_.path()) + " && zip -q -P password enc.zip secret.txt", &rc);
    ASSERT_EQ(0, rc);
    CZipReader zip;
    ASSERT_TRUE(zip.Open(W(dir_.File("enc.zip")).c_str()));
    ASSERT_TRUE(zip.FindEntry(L"secret.txt"));
    EXPECT_TRUE(zip.GetCurrentEntry()->wFlags & 1);
    EXPECT_FALSE(zip.ExtractToFile(W(dir_.File("plain.txt")).c_str()));
    EXPECT_EQ(CZipReader::kErrNoPassword, zip.GetErrorCode());
    EXPECT_FALSE(fs::exists(dir_.File("plain.txt")));
    bool ok = true;
    Extracted(zip, &ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(0, zip.GetErrorCode());
}

// ---- Damaged and hostile archives ------------------------------------------------

// Archive from the zip tool with one deflated and one stored entry, damaged
// in one place per row.
TEST_F(ZipReaderTest, DamagedArchivesFailWithTheirCode)
{
    WriteBytes(dir_.File("d.txt"), WordText(20000, 11));
    WriteBytes(dir_.File("s.txt"), "stored text\n");
    int rc = -1;
    RunTool("cd " + Quote(dir_.path()) + " && zip -q -X good.zip d.txt && zip -q -X -0 good.zip s.txt", &rc);
    ASSERT_EQ(0, rc);
    const std::string good = ReadBytes(dir_.File("good.zip"));
    const auto locals = FindAll(good, kLocalSig);
    const auto centrals = FindAll(good, kCentralSig);
    ASSERT_EQ(2u, locals.size());
    ASSERT_EQ(2u, centrals.size());
    const size_t end = FindAll(good, kEndSig).back();
    const size_t storedData = locals[1] + 30 + 5;  // "s.txt", no extra field with -X

    struct Row {
        const char* what;
        std::function<void(std::string&)> damage;
        bool opens;
        int openCode;
        const char* entry;  // extracted afterwards (when it opened)
        int extractCode;    // 0: extracts to the original; -1: any failure
    } rows[] = {
        {"intact", [](std::string&) {}, true, 0, "d.txt", 0},
        {"cut to 2 bytes", [](std::string& z) { z.resize(2); }, false, CZipReader::kErrSignature, nullptr, 0},
        {"cut in a local header", [&](std::string& z) { z.resize(locals[1] + 20); }, false, CZipReader::kErrLocalHeader,
         nullptr, 0},
        {"cut in a name", [&](std::string& z) { z.resize(locals[1] + 32); }, false, CZipReader::kErrName, nullptr, 0},
        {"cut in entry data", [&](std::string& z) { z.resize(storedData + 3); }, false, CZipReader::kErrPastEnd,
         "d.txt", 0},
        {"cut in the central directory", [&](std::string& z) { z.resize(centrals[1] + 10); }, false,
         CZipReader::kErrCentralHeader, nullptr, 0},
        {"cut in the end record", [&](std::string& z) { z.resize(end + 10); }, false, CZipReader::kErrComment, nullptr,
         0},
        {"central record names no local header", [&](std::string& z) { Set32(z, centrals[1] + 42, 12345); }, false, 0,
         nullptr, 0},
        {"unknown record after the end", [](std::string& z) { z += "JUNKJUNK"; }, false, 0, nullptr, 0},
        {"entry count lies",
         [&](std::string& z) {
             Set16(z, end + 8, 999);
             Set16(z, end + 10, 999);
         },
         true, 0, "d.txt", 0},
        {"central offset lies", [&](std::string& z) { Set32(z, end + 16, 0x7FFFFFF0); }, true, 0, "s.txt", 0},
        {"compressed size past the end", [&](std::string& z) { Set32(z, locals[0] + 18, 0x7FFFFFF0); }, false,
         CZipReader::kErrPastEnd, nullptr, 0},
        {"uncompressed size too small", [&](std::string& z) { Set32(z, locals[0] + 22, 100); }, true, 0, "d.txt",
         CZipReader::kErrWrite},
        {"uncompressed size too large", [&](std::string& z) { Set32(z, locals[0] + 22, 30000); }, true, 0, "d.txt",
         CZipReader::kErrShort},
        {"huge uncompressed size", [&](std::string& z) { Set32(z, locals[0] + 22, 0x7FFFFFF0); }, true, 0, "d.txt",
         CZipReader::kErrTooLarge},
        {"stored byte flipped", [&](std::string& z) { z[storedData + 2] ^= 0x20; }, true, 0, "s.txt",
         CZipReader::kErrCrc},
        {"wrong CRC", [&](std::string& z) { Set32(z, locals[0] + 14, 0x12345678); }, true, 0, "d.txt",
         CZipReader::kErrCrc},
        {"deflate stream broken", [&](std::string& z) { z[locals[0] + 30 + 5 + 1] ^= 0x7F; }, true, 0, "d.txt", -1},
        {"method 12", [&](std::string& z) { Set16(z, locals[0] + 8, 12); }, true, 0, "d.txt", CZipReader::kErrMethod},
    };
    const std::string originalD = ReadBytes(dir_.File("d.txt"));
    const std::string originalS = ReadBytes(dir_.File("s.txt"));
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string bytes = good;
        r.damage(bytes);
        std::string path = Write("damaged.zip", bytes);
        CZipReader zip;
        EXPECT_EQ(r.opens, zip.Open(W(path).c_str()));
        EXPECT_EQ(r.openCode, zip.GetErrorCode());
        if (!r.opens || !r.entry) continue;
        ASSERT_TRUE(zip.FindEntryNarrow(r.entry));
        const std::string& original = std::string(r.entry) == "d.txt" ? originalD : originalS;
        bool ok = false;
        std::string data = Extracted(zip, &ok);
        if (r.extractCode == 0) {
            EXPECT_TRUE(ok);
            EXPECT_TRUE(data == original);
            continue;
        }
        EXPECT_FALSE(ok);
        if (r.extractCode > 0) {
            EXPECT_EQ(r.extractCode, zip.GetErrorCode());
        } else {
            EXPECT_NE(0, zip.GetErrorCode());
        }
        // To a file: the old file stays as it was, no partial file appears.
        WriteBytes(dir_.File("target.txt"), "keep me");
        EXPECT_FALSE(zip.ExtractToFile(W(dir_.File("target.txt")).c_str()));
        if (r.extractCode > 0 && r.extractCode != CZipReader::kErrTooLarge) {
            EXPECT_EQ(r.extractCode, zip.GetErrorCode());
        }
        EXPECT_EQ("keep me", ReadBytes(dir_.File("target.txt")));
    }
}

// Streamed entries take their sizes from the central directory and their
// CRC from the descriptor; either one lying is a clear failure.
TEST_F(ZipReaderTest, DamagedDescriptors)
{
    WriteBytes(dir_.File("d.txt"), WordText(8000, 2));
    int rc = -1;
    RunTool("cd " + Quote(dir_.path()) + " && zip -q -X - d.txt | cat > streamed.zip", &rc);
    ASSERT_EQ(0, rc);
    const std::string good = ReadBytes(dir_.File("streamed.zip"));
    ASSERT_EQ(1u, FindAll(good, kDescriptorSig).size());
    const size_t descriptor = FindAll(good, kDescriptorSig)[0];
    const size_t central = FindAll(good, kCentralSig)[0];
    const size_t end = FindAll(good, kEndSig).back();
    struct Row {
        const char* what;
        std::function<void(std::string&)> damage;
        bool opens;
        int code;
    } rows[] = {
        {"intact", [](std::string&) {}, true, 0},
        {"central offset lies", [&](std::string& z) { Set32(z, end + 16, 5); }, false, CZipReader::kErrDescriptor},
        {"central size lies", [&](std::string& z) { Set32(z, end + 12, 0xFFFFFF00); }, false,
         CZipReader::kErrDescriptor},
        {"central sizes past the end", [&](std::string& z) { Set32(z, central + 20, 0x7FFFFFF0); }, false,
         CZipReader::kErrPastEnd},
        {"descriptor size differs", [&](std::string& z) { Set32(z, descriptor + 8, 7); }, false,
         CZipReader::kErrDescriptor},
        {"descriptor CRC wrong", [&](std::string& z) { Set32(z, descriptor + 4, 1); }, true, CZipReader::kErrCrc},
        {"cut in the descriptor", [&](std::string& z) { z.resize(descriptor + 6); }, false, CZipReader::kErrDescriptor},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string bytes = good;
        r.damage(bytes);
        CZipReader zip;
        EXPECT_EQ(r.opens, zip.Open(W(Write("s.zip", bytes)).c_str()));
        if (!r.opens) {
            EXPECT_EQ(r.code, zip.GetErrorCode());
            continue;
        }
        ASSERT_TRUE(zip.FindEntry(L"d.txt"));
        bool ok = false;
        std::string data = Extracted(zip, &ok);
        EXPECT_EQ(r.code == 0, ok);
        EXPECT_EQ(r.code, zip.GetErrorCode());
        if (ok) {
            EXPECT_TRUE(data == ReadBytes(dir_.File("d.txt")));
        }
    }
}

TEST_F(ZipReaderTest, NamesThatLeaveTheFolderAreRefused)
{
    const char* hostile[] = {"../evil1.txt", "a/../../evil2.txt", "a\\..\\..\\evil3.txt", "/tmp/evil4.txt",
                             "\\evil5.txt",  "C:evil6.txt",       "c:/evil7.txt",         "..",
                             "ok/.."};
    for (const char* name : hostile) {
        SCOPED_TRACE(name);
        std::string path = Write("h.zip", BuildZip({{"fine/first.txt", "1"}, {name, "evil"}}));
        CZipReader zip;
        ASSERT_TRUE(zip.Open(W(path).c_str()));
        std::string inner = dir_.File("a/b/inner");
        EXPECT_FALSE(zip.ExtractAllExcept(W(inner).c_str(), ""));
        EXPECT_EQ(CZipReader::kErrUnsafeName, zip.GetErrorCode());
        EXPECT_EQ("1", ReadBytes(inner + "/fine/first.txt"));
        ASSERT_TRUE(zip.FindEntryNarrow(name));
        EXPECT_FALSE(zip.ExtractEntryTo(W(inner).c_str()));
        EXPECT_EQ(CZipReader::kErrUnsafeName, zip.GetErrorCode());
    }
    // Nothing but the one good file was written anywhere.
    std::vector<std::string> files;
    for (const auto& f : fs::recursive_directory_iterator(dir_.path()))
        if (f.is_regular_file() && f.path().filename() != "h.zip") files.push_back(f.path().string());
    EXPECT_EQ(std::vector<std::string>{dir_.File("a/b/inner/fine/first.txt")}, files);
    EXPECT_FALSE(fs::exists("/tmp/evil4.txt"));

    // Odd but harmless names stay inside.
    std::string path = Write("h.zip", BuildZip({{"./x/./y..z/..a", "ok"}}));
    CZipReader zip;
    ASSERT_TRUE(zip.Open(W(path).c_str()));
    EXPECT_TRUE(zip.ExtractAllExcept(W(dir_.File("ok")).c_str(), ""));
    EXPECT_EQ("ok", ReadBytes(dir_.File("ok/x/y..z/..a")));
}

TEST_F(ZipReaderTest, OutputBoundedAndPathsNeverShortened)
{
    // 8 MB of zeros that claim to be 1000 bytes.
    Entry bomb{"bomb.bin", std::string(8 * 1024 * 1024, '\0'), 8};
    bomb.uncompressedSize = 1000;
    Entry signedSize{"neg.bin", "x"};
    signedSize.uncompressedSize = 0x80000000u;
    std::string path = Write("b.zip", BuildZip({bomb, signedSize, {"n.txt", "name"}}));
    CZipReader zip;
    ASSERT_TRUE(zip.Open(W(path).c_str()));
    ASSERT_TRUE(zip.FindEntry(L"bomb.bin"));
    bool ok = true;
    Extracted(zip, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(CZipReader::kErrWrite, zip.GetErrorCode());
    EXPECT_FALSE(zip.ExtractToFile(W(dir_.File("bomb.bin")).c_str()));
    EXPECT_EQ(CZipReader::kErrWrite, zip.GetErrorCode());
    EXPECT_FALSE(fs::exists(dir_.File("bomb.bin")));

    ASSERT_TRUE(zip.FindEntry(L"neg.bin"));
    BYTE* buffer = nullptr;
    DWORD size = 0;
    EXPECT_FALSE(zip.ExtractToMemory(buffer, size));  // a size of 2 GiB and more counts as none

    ASSERT_TRUE(zip.FindEntry(L"n.txt"));
    std::string folder = dir_.path();
    while (folder.size() <= static_cast<size_t>(CZipReader::kMaxEntryPath)) folder += "/" + std::string(100, 'f');
    EXPECT_FALSE(zip.ExtractEntryTo(W(folder).c_str()));
    EXPECT_EQ(CZipReader::kErrPathTooLong, zip.GetErrorCode());
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(zip.ExtractEntryTo(W(dir_.File("short")).c_str(), L"renamed.txt"));
    EXPECT_EQ("name", ReadBytes(dir_.File("short/renamed.txt")));
}

// Every prefix of small archives and a flipped byte at every position: the
// reader ends each time with a result, and whatever it hands out has the
// size it claims.
TEST_F(ZipReaderTest, TruncateAndFlipSweep)
{
    WriteBytes(dir_.File("t.txt"), WordText(300, 9));
    WriteBytes(dir_.File("u.txt"), "stored!");
    int rc = -1;
    RunTool("cd " + Quote(dir_.path()) +
                " && zip -q -X a.zip t.txt && zip -q -X -0 a.zip u.txt && "
                "zip -q -X - t.txt u.txt | cat > b.zip",
            &rc);
    ASSERT_EQ(0, rc);
    std::vector<std::string> samples = {ReadBytes(dir_.File("a.zip")), ReadBytes(dir_.File("b.zip")),
                                        BuildZip({{"x/", "", 0, 0, 0x10}, {"x/y.txt", "yy", 8}})};
    const std::string path = dir_.File("sweep.zip");
    const std::string out = dir_.File("sweep-out");
    int opened = 0, cases = 0;
    auto tryArchive = [&](const std::string& bytes, bool unpack) {
        ++cases;
        WriteBytes(path, bytes);
        CZipReader zip;
        if (zip.Open(W(path).c_str())) ++opened;
        for (POSITION p = zip.GetEntries().GetHeadPosition(); p;) {
            const SLocalFileHeader& e = zip.GetEntries().GetNext(p);
            ASSERT_TRUE(zip.FindEntryNarrow(e.sName.c_str()));
            BYTE* buffer = nullptr;
            DWORD size = 0;
            if (zip.ExtractToMemory(buffer, size)) {
                EXPECT_EQ(zip.GetCurrentEntry()->dwUncompressedSize, size);
                std::free(buffer);
            }
        }
        if (unpack) {
            zip.ExtractAllExcept(W(out).c_str(), ".none");
            fs::remove_all(out);
        }
    };
    for (const std::string& s : samples) {
        for (size_t n = 0; n < s.size(); ++n) tryArchive(s.substr(0, n), n % 16 == 0);
        for (size_t i = 0; i < s.size(); ++i) {
            std::string f = s;
            f[i] = static_cast<char>(f[i] ^ 0xFF);
            tryArchive(f, i % 16 == 0);
            f[i] = static_cast<char>(0x80);
            tryArchive(f, false);
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(cases, 1000);
}

}  // namespace
