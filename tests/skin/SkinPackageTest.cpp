// Where a skin's files come from: folders, zip packages made by the zip
// tool or by Python's zipfile (for names the tool will not write), and the
// program's resources compiled by the Qt resource compiler. Unpacking goes
// to the user's cache folder under the MD5 name md5sum gives for the path;
// names that would leave the skin are refused by every source.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "foundation/PathHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/QtAccess.h"
#include "skin/HDib.h"
#include "skin/SkinPackage.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using skin_test::Pixel;

// Writes a zip with Python's zipfile, entry names exactly as given.
void PythonZip(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string script = "import zipfile,sys\nz=zipfile.ZipFile(sys.argv[1],'w',zipfile.ZIP_DEFLATED)\n";
    for (const auto& [name, bytes] : entries) {
        std::string hex;
        for (unsigned char c : bytes) {
            static const char* digits = "0123456789abcdef";
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
        script += "z.writestr(zipfile.ZipInfo('" + name + "'),bytes.fromhex('" + hex + "'))\n";
    }
    script += "z.close()\n";
    const std::string file = archive + ".py";
    WriteBytes(file, script);
    int code = 0;
    const std::string out = RunTool("python3 '" + file + "' '" + archive + "' 2>&1", &code);
    ASSERT_EQ(0, code) << out;
}

std::wstring W(const std::string& s) { return Utf8ToWide(s); }

class SkinPackageTest : public testing::Test {
protected:
    void SetUp() override
    {
        files_ = {
            {"skin.xml", "<HXSkin/>"},
            {"LIST.ini", "[list]"},
            {"img/red.bmp", skin_test::SolidBmp(3, 2, RGB(255, 0, 0))},
            {"page.html", "<p>page</p>"},
            {"sub/movie.swf", "FWS"},
            {"arrow.cur", std::string(reinterpret_cast<const char*>(gui_test::SmallCursorFile(true).data()),
                                      gui_test::SmallCursorFile(true).size())},
        };
        folder_ = dir_.File("skin");
        skin_test::WriteFiles(folder_, files_);
        archive_ = dir_.File("skin.zip");
        ASSERT_TRUE(skin_test::ZipFolder(folder_, archive_));
    }

    TempDir dir_;
    std::map<std::string, std::string> files_;
    std::string folder_, archive_;
};

TEST_F(SkinPackageTest, FolderAndPackageGiveTheSameFiles)
{
    for (const std::string& path : {folder_, archive_}) {
        SkinPackage package;
        ASSERT_EQ(1, package.Open(W(path).c_str(), 0)) << path;
        EXPECT_EQ(path == archive_, package.IsPacked());
        for (const auto& [name, bytes] : files_) {
            std::vector<BYTE> data;
            ASSERT_TRUE(package.ReadFile(W(name).c_str(), data)) << path << " " << name;
            EXPECT_EQ(bytes, std::string(data.begin(), data.end())) << name;
        }
        std::vector<BYTE> data;
        EXPECT_FALSE(package.ReadFile(L"missing.bmp", data));
        // Packages find names without regard to case and with either separator.
        if (package.IsPacked()) {
            EXPECT_TRUE(package.ReadFile(L"IMG\\RED.BMP", data));
        }
        HDib image;
        ASSERT_EQ(1, package.LoadImage(&image, L"img/red.bmp"));
        EXPECT_EQ(3, image.GetWidth());
        EXPECT_EQ(RGB(255, 0, 0), Pixel(image, 2, 1));
        EXPECT_EQ(0, package.LoadImage(&image, L"page.html"));
        EXPECT_TRUE(package.HasListFile());
    }
}

TEST_F(SkinPackageTest, TheListFileCheck)
{
    struct Case {
        std::vector<std::string> names;
        bool found;
    } cases[] = {{{"LIST.ini"}, true}, {{"LIST.xml"}, true}, {{"list.txt"}, false}, {{}, false}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string folder = dir_.File("list" + std::to_string(n++));
        std::map<std::string, std::string> files{{"skin.xml", "<HXSkin/>"}};
        for (const std::string& name : c.names) files[name] = "x";
        skin_test::WriteFiles(folder, files);
        const std::string archive = folder + ".zip";
        ASSERT_TRUE(skin_test::ZipFolder(folder, archive));
        for (const std::string& path : {folder, archive}) {
            SkinPackage package;
            ASSERT_EQ(1, package.Open(W(path).c_str(), 0));
            EXPECT_EQ(c.found, package.HasListFile()) << path;
        }
    }
}

TEST_F(SkinPackageTest, AFolderNamedLikeAPackageIsAFolderAndAFileThatIsNoPackageFails)
{
    const std::string folder = dir_.File("default.zip");
    skin_test::WriteFiles(folder, {{"skin.xml", "<HXSkin/>"}});
    SkinPackage package;
    ASSERT_EQ(1, package.Open(W(folder).c_str(), 0));
    EXPECT_FALSE(package.IsPacked());
    const std::string notZip = dir_.File("plain.zip");
    WriteBytes(notZip, "this is no zip archive");
    EXPECT_EQ(0, package.Open(W(notZip).c_str(), 0));
    EXPECT_EQ(CString(W(notZip)), package.GetPath());
    std::vector<BYTE> data;
    EXPECT_FALSE(package.ReadFile(L"skin.xml", data));
}

TEST_F(SkinPackageTest, AFolderSkinAfterAPackageReadsTheFolderAndAClosedPackageOpensAgain)
{
    SkinPackage package;
    ASSERT_EQ(1, package.Open(W(archive_).c_str(), 0));
    const std::string other = dir_.File("other");
    skin_test::WriteFiles(other, {{"skin.xml", "<HXSkin>other</HXSkin>"}});
    ASSERT_EQ(1, package.Open(W(other).c_str(), 0));
    ASSERT_NE(nullptr, package.GetArchive());
    EXPECT_FALSE(package.GetArchive()->IsOpen());
    std::vector<BYTE> data;
    ASSERT_TRUE(package.ReadFile(L"skin.xml", data));
    EXPECT_EQ("<HXSkin>other</HXSkin>", std::string(data.begin(), data.end()));
    HCURSOR none = package.LoadCursor(L"arrow.cur");
    EXPECT_EQ(nullptr, none) << "the folder has no cursor; the old package is not read";

    ASSERT_EQ(1, package.Open(W(archive_).c_str(), 0));
    package.CloseArchive();
    EXPECT_FALSE(package.GetArchive()->IsOpen());
    HDib image;
    EXPECT_EQ(1, package.LoadImage(&image, L"img/red.bmp"));
    package.CloseArchive();
    HCURSOR cursor = package.LoadCursor(L"arrow.cur");
    EXPECT_NE(nullptr, cursor);
    DestroyCursor(cursor);
    package.CloseArchive();
    CString unpacked;
    EXPECT_EQ(1, package.Unpack(unpacked));
}

TEST_F(SkinPackageTest, CursorsAreMadeFromMemoryWithTheirHotSpot)
{
    const std::string temp = WideToUtf8(GetTempFolder().str());
    for (const std::string& path : {folder_, archive_}) {
        SkinPackage package;
        ASSERT_EQ(1, package.Open(W(path).c_str(), 0));
        HCURSOR cursor = package.LoadCursor(L"arrow.cur");
        ASSERT_NE(nullptr, cursor) << path;
        QImage picture;
        POINT hot{};
        ASSERT_TRUE(win32_gui::CursorImage(cursor, &picture, &hot));
        EXPECT_EQ((POINT{1, 0}), hot);
        EXPECT_EQ(qRgba(255, 0, 0, 255), picture.pixel(0, 0));
        DestroyCursor(cursor);
        EXPECT_EQ(nullptr, package.LoadCursor(L"img/red.bmp"));
    }
    struct stat st;
    EXPECT_NE(0, stat((temp + "hxskintemp.cur").c_str(), &st)) << "no file is written for a cursor";
}

TEST_F(SkinPackageTest, UnpackingFillsAPrivateCacheFolderNamedByTheDigestOfThePath)
{
    const std::string cache = dir_.File("cache");
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    SkinPackage folderSkin;
    ASSERT_EQ(1, folderSkin.Open(W(folder_).c_str(), 0));
    CString unpacked;
    EXPECT_EQ(0, folderSkin.Unpack(unpacked));

    SkinPackage package;
    ASSERT_EQ(1, package.Open(W(archive_).c_str(), 0));
    ASSERT_EQ(1, package.Unpack(unpacked));
    // The digest of the path's UTF-16LE bytes, as md5sum computes it.
    const std::string digest =
        RunTool("printf '%s' '" + archive_ + "' | iconv -f UTF-8 -t UTF-16LE | md5sum | cut -c1-32");
    const std::string expected = cache + "/rivoenc/skins/" + digest.substr(0, 32) + "/";
    EXPECT_EQ(expected, WideToUtf8(unpacked.str()));
    for (const auto& [name, bytes] : files_) {
        const bool skinOwn = name.ends_with(".bmp") || name.ends_with(".xml") || name.ends_with(".ini");
        struct stat st;
        EXPECT_EQ(!skinOwn, stat((expected + name).c_str(), &st) == 0) << name;
        if (!skinOwn) {
            EXPECT_EQ(bytes, ReadBytes(expected + name));
        }
    }
    struct stat st;
    ASSERT_EQ(0, stat((cache + "/rivoenc/skins").c_str(), &st));
    EXPECT_EQ(0700u, st.st_mode & 0777);
    // A second unpack of the same skin gives the same folder.
    CString again;
    ASSERT_EQ(1, package.Unpack(again));
    EXPECT_EQ(unpacked, again);
    unsetenv("XDG_CACHE_HOME");
}

TEST_F(SkinPackageTest, NamesThatWouldLeaveTheSkinAreRefusedByEverySource)
{
    const std::string outside = dir_.File("secret.bmp");
    WriteBytes(outside, skin_test::SolidBmp(1, 1, RGB(1, 2, 3)));
    const std::vector<std::string> names = {"../secret.bmp", "..\\secret.bmp",       outside, "/etc/passwd",
                                            "C:secret.bmp",  "img/../../secret.bmp", ""};
    for (const std::string& path : {folder_, archive_}) {
        SkinPackage package;
        ASSERT_EQ(1, package.Open(W(path).c_str(), 0));
        for (const std::string& name : names) {
            std::vector<BYTE> data;
            EXPECT_FALSE(package.ReadFile(W(name).c_str(), data)) << path << " " << name;
            HDib image;
            EXPECT_EQ(0, package.LoadImage(&image, W(name).c_str())) << name;
            EXPECT_EQ(nullptr, package.LoadCursor(W(name).c_str())) << name;
        }
    }
}

TEST_F(SkinPackageTest, APackageWithClimbingOrAbsoluteNamesUnpacksNothingOutsideItsFolder)
{
    const std::string cache = dir_.File("cache");
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    struct Case {
        std::string hostile;
    } cases[] = {
        {"../../../../escaped.html"}, {"/tmp/escaped-absolute.html"}, {"a/../../escaped.html"}, {"C:/escaped.html"}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string archive = dir_.File("hostile" + std::to_string(n++) + ".zip");
        PythonZip(archive, {{"skin.xml", "<HXSkin/>"}, {"page.html", "ok"}, {c.hostile, "escaped"}});
        SkinPackage package;
        ASSERT_EQ(1, package.Open(W(archive).c_str(), 0)) << c.hostile;
        // The skin's own files still read.
        std::vector<BYTE> data;
        EXPECT_TRUE(package.ReadFile(L"skin.xml", data));
        CString unpacked;
        EXPECT_EQ(0, package.Unpack(unpacked)) << c.hostile;
        EXPECT_TRUE(unpacked.IsEmpty());
    }
    const std::string found = RunTool("find '" + dir_.path() + "' /tmp -maxdepth 3 -name 'escaped*' 2>/dev/null");
    EXPECT_EQ("", found);
    unsetenv("XDG_CACHE_HOME");
}

TEST_F(SkinPackageTest, AHugeClaimedEntryAndATruncatedArchiveFailWithoutHarm)
{
    // An entry that claims 1 GB when unpacked.
    const std::string huge = dir_.File("huge.zip");
    PythonZip(huge, {{"skin.xml", std::string(1000, 'x')}, {"big.bmp", std::string(100, 'y')}});
    ASSERT_TRUE(skin_test::ClaimAGigabytePerEntry(huge));
    SkinPackage package;
    ASSERT_EQ(1, package.Open(W(huge).c_str(), 0)) << "the claim is only learnt when the entry is unpacked";
    std::vector<BYTE> data;
    EXPECT_FALSE(package.ReadFile(L"skin.xml", data));
    HDib image;
    EXPECT_EQ(0, package.LoadImage(&image, L"big.bmp"));
    // Every cut of a real package either fails to open or fails its reads.
    const std::string whole = ReadBytes(archive_);
    for (size_t cut : {size_t(0), size_t(10), whole.size() / 2, whole.size() - 30, whole.size() - 1}) {
        const std::string truncated = dir_.File("cut.zip");
        WriteBytes(truncated, whole.substr(0, cut));
        SkinPackage cutPackage;
        std::vector<BYTE> cutData;
        if (cutPackage.Open(W(truncated).c_str(), 0))
            EXPECT_FALSE(cutPackage.ReadFile(L"skin.xml", cutData)) << cut;
        else
            EXPECT_NE(0u, cut) << "an empty file is an empty package";
    }
}

TEST_F(SkinPackageTest, ResourcesOfTheTypeNamedByThePath)
{
    ASSERT_TRUE(gui_test::RegisterFolderAsResources(folder_, "PACKAGETEST", dir_.File("skin.rcc")));
    SkinPackage package;
    ASSERT_EQ(1, package.Open(L"PACKAGETEST", 1));
    EXPECT_TRUE(package.IsResource());
    std::vector<BYTE> data;
    ASSERT_TRUE(package.ReadFile(L"skin.xml", data));
    EXPECT_EQ("<HXSkin/>", std::string(data.begin(), data.end()));
    HDib image;
    EXPECT_EQ(1, package.LoadImage(&image, L"IMG/RED.BMP"));
    EXPECT_FALSE(package.ReadFile(L"../skin.xml", data));
    EXPECT_FALSE(package.ReadFile(L"absent.xml", data));
    CString unpacked;
    EXPECT_EQ(0, package.Unpack(unpacked));
}

}  // namespace
