// The file-stream source: check-byte lines of the registry against small
// files, the subtypes real containers get, the reader filter over the
// stream, and paths longer than the old 260-character buffers.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "encoder/pipeline/FileStreamReader.h"
#include "encoder/pipeline/SrcFileStream.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Registry.h"
#include "tests/platform/dshow/MediaFiles.h"

namespace {

// A subtype of the tests' own, registered for one test with its lines.
constexpr GUID kTestSubtype{0x5A0E1210, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE2}};
const std::wstring kTestKey =
    L"Media Type\\{e436eb83-524f-11ce-9f53-0020af0ba770}\\{5A0E1210-0000-4000-8000-00A0B0C0D0E2}";

void RegisterLines(const std::vector<std::wstring>& lines)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, kTestKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (size_t i = 0; i < lines.size(); ++i)
        ASSERT_EQ(RegSetTextValue(key, std::to_wstring(i).c_str(), lines[i]), ERROR_SUCCESS);
    RegCloseKey(key);
}

class FileStreamTest : public SystemFilterTest {
protected:
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kTestKey.c_str());
        SystemFilterTest::TearDown();
    }

    // The subtype a stream over the bytes detects.
    GUID Detect(const std::string& bytes)
    {
        std::string path = dir.File("f.bin");
        WriteBytes(path, bytes);
        CSrcFileStream stream;
        EXPECT_EQ(stream.OpenFile(FromNativePath(path).c_str()), S_OK);
        return stream.Subtype();
    }

    TempDir dir;
};

struct LineCase {
    const char* name;
    std::vector<std::wstring> lines;
    std::string bytes;
    bool matches;
};

class CheckByteLineTest : public FileStreamTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(CheckByteLineTest, LineMatchesOnlyWhenEveryQuadrupleDoes)
{
    const LineCase& c = GetParam();
    RegisterLines(c.lines);
    EXPECT_EQ(Detect(c.bytes) == kTestSubtype, c.matches);
}

const LineCase kLines[] = {
    {"FirstBytesWithEmptyMask", {L"0,4,,52494646"}, "RIFF1234zz", true},
    {"CountedBackFromTheEnd", {L"-4,4,,454E4421"}, "xxxxxxxxEND!", true},
    {"BackFromTheEndMisses", {L"-4,4,,454E4421"}, "END!xxxxxxxx", false},
    {"OneOfTwoQuadruplesFails", {L"0,4,,52494646,4,4,,FFFFFFFF"}, "RIFF1234zz", false},
    {"BothQuadruplesMatch", {L"0,4,,52494646,4,2,,3132"}, "RIFF1234zz", true},
    {"CountDiffersFromTheValue", {L"0,3,,52494646"}, "RIFF1234zz", false},
    {"FileShorterThanTheRange", {L"8,4,,7A7A0000"}, "RIFF1234zz", false},
    {"MaskKeepsTheHighBits", {L"0,2,F0F0,5040"}, "RIFF1234zz", true},
    {"ShortMaskIsExtendedWithOnes", {L"0,2,F0,5049"}, "RIFF1234zz", true},
    {"FieldsBeyondTheLastQuadruple", {L"0,4,,52494646,9"}, "RIFF1234zz", false},
    {"SecondLineMatches", {L"0,4,,FFFFFFFF", L"4,4,,31323334"}, "RIFF1234zz", true},
};

INSTANTIATE_TEST_SUITE_P(Lines, CheckByteLineTest, ::testing::ValuesIn(kLines),
                         [](const ::testing::TestParamInfo<LineCase>& i) { return std::string(i.param.name); });

struct ContainerCase {
    const char* file;
    const char* args;
    GUID subtype;
};

class ContainerSubtypeTest : public FileStreamTest, public ::testing::WithParamInterface<ContainerCase> {};

TEST_P(ContainerSubtypeTest, RegisteredCheckBytesNameTheContainer)
{
    const ContainerCase& c = GetParam();
    std::string path = MakeMedia(dir, c.file, TestPicture(0.4) + " " + TestTone(0.4) + " " + c.args);
    CSrcFileStream stream;
    ASSERT_EQ(stream.OpenFile(FromNativePath(path).c_str()), S_OK);
    EXPECT_EQ(stream.Subtype(), c.subtype) << c.file;
}

const ContainerCase kContainers[] = {
    {"a.avi", "-c:v mpeg4 -c:a mp2", MEDIASUBTYPE_Avi},
    {"a.mkv", "-c:v mpeg4 -c:a mp2", MEDIASUBTYPE_MatroskaStream},
    {"a.ogg", "-c:v libtheora -c:a libvorbis", MEDIASUBTYPE_OggStream},
    {"a.ts", "-c:v mpeg2video -c:a mp2", MEDIASUBTYPE_MPEG2_TRANSPORT},
    {"a.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", MEDIASUBTYPE_MPEG1System},
    {"a.rm", "-c:v rv20 -c:a ac3", MEDIASUBTYPE_RealMediaStream},
    {"a.mp4", "-c:v mpeg4 -c:a aac", MEDIASUBTYPE_QTMovie},
};

INSTANTIATE_TEST_SUITE_P(Containers, ContainerSubtypeTest, ::testing::ValuesIn(kContainers));

TEST_F(FileStreamTest, UnknownBytesLeaveTheSubtypeEmptyAndTheFileAtItsStart)
{
    std::string path = dir.File("plain.txt");
    WriteBytes(path, "nothing registered begins like this");
    CSrcFileStream stream;
    ASSERT_EQ(stream.OpenFile(FromNativePath(path).c_str()), S_OK);
    EXPECT_EQ(stream.Subtype(), GUID_NULL);
    EXPECT_EQ(stream.Size(), 35);
    BYTE first[7] = {};
    DWORD read = 0;
    ASSERT_EQ(stream.Read(first, 7, FALSE, &read), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(first), read), "nothing");
    EXPECT_EQ(stream.OpenFile(FromNativePath(dir.File("missing")).c_str()), E_FAIL);
}

TEST_F(FileStreamTest, ReaderNamesTheCopiedPathOfAnyLengthAndReadsTheFile)
{
    // A path well beyond 260 characters.
    std::string folder = dir.path();
    for (int i = 0; i < 7; ++i) {
        folder += "/" + std::string(60, static_cast<char>('a' + i));
        ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    }
    std::string path = folder + "/movie.bin";
    ASSERT_GT(path.size(), 400u);
    std::string bytes(5000, 'x');
    bytes[4321] = 'Q';
    WriteBytes(path, bytes);
    std::wstring wpath = FromNativePath(path);

    CSrcFileStream stream;
    ASSERT_EQ(stream.OpenFile(wpath.c_str()), S_OK);
    CMediaType type(MEDIATYPE_Stream);
    type.SetSubtype(MEDIASUBTYPE_Avi);
    HRESULT hr = E_FAIL;
    auto* reader = new CFileStreamReader(&stream, &type, &hr);
    ASSERT_EQ(hr, S_OK);
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(reader->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf())),
              S_OK);
    ComPtr<IFileSourceFilter> source;
    ASSERT_EQ(filter.As(&source), S_OK);

    LPOLESTR name = nullptr;
    AM_MEDIA_TYPE given{};
    ASSERT_EQ(source->GetCurFile(&name, &given), S_OK);
    EXPECT_EQ(std::wstring(name), L"");  // until the creator copies the path in
    CoTaskMemFree(name);
    EXPECT_EQ(given.subtype, MEDIASUBTYPE_Avi);
    FreeMediaType(given);
    EXPECT_EQ(source->GetCurFile(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(source->Load(L"/elsewhere", nullptr), S_OK);  // the stream's file stays

    reader->SetCurFile(wpath.c_str());
    ASSERT_EQ(source->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name), wpath);
    CoTaskMemFree(name);

    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.GetAddressOf());
    ComPtr<IPin> out;
    ASSERT_EQ(pins->Next(1, out.GetAddressOf(), nullptr), S_OK);
    ComPtr<IAsyncReader> async;
    ASSERT_EQ(out.As(&async), S_OK);
    BYTE chunk[2] = {};
    ASSERT_EQ(async->SyncRead(4320, 2, chunk), S_OK);
    EXPECT_EQ(chunk[0], 'x');
    EXPECT_EQ(chunk[1], 'Q');
}

}  // namespace
