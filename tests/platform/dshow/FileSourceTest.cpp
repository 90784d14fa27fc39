// The asynchronous file source and the check bytes that decide what a file
// holds: every container the ffmpeg command line makes is offered as the
// byte-stream subtype (and through the source) its registration names.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/CheckBytes.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/SampleInterfaces.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/MediaFiles.h"

namespace {

std::wstring Wide(const std::string& s) { return FromNativePath(s); }

ComPtr<IBaseFilter> NewFileSource()
{
    ComPtr<IBaseFilter> f;
    EXPECT_EQ(CoCreateInstance(CLSID_AsyncReader, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                               reinterpret_cast<void**>(f.GetAddressOf())),
              S_OK);
    return f;
}

ComPtr<IPin> OutputOf(IBaseFilter* f)
{
    ComPtr<IEnumPins> e;
    f->EnumPins(e.GetAddressOf());
    ComPtr<IPin> pin;
    e->Next(1, pin.GetAddressOf(), nullptr);
    return pin;
}

GUID OfferedSubtype(IPin* pin)
{
    ComPtr<IEnumMediaTypes> types;
    pin->EnumMediaTypes(types.GetAddressOf());
    AM_MEDIA_TYPE* t = nullptr;
    GUID subtype = GUID_NULL;
    if (types->Next(1, &t, nullptr) == S_OK) {
        EXPECT_EQ(t->majortype, MEDIATYPE_Stream);
        subtype = t->subtype;
        DeleteMediaType(t);
    }
    return subtype;
}

// Flash video has a subtype of ours (the shipped registration's).
constexpr GUID kFlvStream{0x0FADCCAA, 0xF382, 0x4DE5, {0x86, 0xF5, 0x17, 0xD6, 0x86, 0x3B, 0xEA, 0x8B}};

struct ContainerCase {
    const char* name;
    const char* file;
    const char* args;
    GUID subtype;
    CLSID source;  // what AddSourceFilter makes for it
};

class CheckBytesTableTest : public SystemFilterTest, public ::testing::WithParamInterface<ContainerCase> {
protected:
    TempDir dir;
};

TEST_P(CheckBytesTableTest, ContainerGetsItsSubtypeAndSource)
{
    const ContainerCase& c = GetParam();
    std::string path = MakeMedia(dir, c.file, TestPicture(0.4) + " " + TestTone(0.4) + " " + c.args);

    CheckBytesFile bytes;
    ASSERT_TRUE(bytes.Open(path));
    CheckBytesMatch match;
    ASSERT_TRUE(FindTypeByCheckBytes(bytes, &match)) << c.file;
    EXPECT_EQ(match.major, MEDIATYPE_Stream);
    EXPECT_EQ(match.subtype, c.subtype) << GuidToString(match.subtype).c_str();
    EXPECT_EQ(match.source, c.source);

    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                               reinterpret_cast<void**>(graph.GetAddressOf())),
              S_OK);
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(graph->AddSourceFilter(Wide(path).c_str(), L"Source", source.GetAddressOf()), S_OK);
    CLSID clsid{};
    source->GetClassID(&clsid);
    EXPECT_EQ(clsid, c.source);
    if (clsid == CLSID_AsyncReader) {
        EXPECT_EQ(OfferedSubtype(OutputOf(source.Get()).Get()), c.subtype);
    }
}

const ContainerCase kContainers[] = {
    {"Avi", "a.avi", "-c:v mpeg4 -c:a mp2", MEDIASUBTYPE_Avi, CLSID_AsyncReader},
    {"Matroska", "a.mkv", "-c:v mpeg4 -c:a mp2", MEDIASUBTYPE_MatroskaStream, CLSID_AsyncReader},
    {"Ogg", "a.ogg", "-c:v libtheora -c:a libvorbis", MEDIASUBTYPE_OggStream, CLSID_AsyncReader},
    {"TransportStream", "a.ts", "-c:v mpeg2video -c:a mp2", MEDIASUBTYPE_MPEG2_TRANSPORT, CLSID_AsyncReader},
    {"Mpeg1ProgramStream", "a.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", MEDIASUBTYPE_MPEG1System, CLSID_AsyncReader},
    {"Mpeg2ProgramStream", "a.vob", "-c:v mpeg2video -c:a mp2 -f vob", MEDIASUBTYPE_MPEG2_PROGRAM, CLSID_AsyncReader},
    {"RealMedia", "a.rm", "-c:v rv20 -c:a ac3", MEDIASUBTYPE_RealMediaStream, CLSID_AsyncReader},
    {"Mp4", "a.mp4", "-c:v mpeg4 -c:a aac", MEDIASUBTYPE_QTMovie, CLSID_MediaSource},
    {"Flv", "a.flv", "-c:v flv1 -c:a libmp3lame -ar 44100", kFlvStream, CLSID_MediaSource},
    {"Asf", "a.asf", "-c:v wmv2 -c:a wmav2", MEDIASUBTYPE_Asf, CLSID_MediaSource},
};

INSTANTIATE_TEST_SUITE_P(Containers, CheckBytesTableTest, ::testing::ValuesIn(kContainers),
                         [](const ::testing::TestParamInfo<ContainerCase>& i) { return std::string(i.param.name); });

using AsyncFileSourceTest = SystemFilterTest;

TEST_F(AsyncFileSourceTest, ReadsTheFileThroughTheReaderAndNamesIt)
{
    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 100000; ++i) bytes.push_back(static_cast<char>(i * 7));
    std::string path = dir.File("data.bin");
    WriteBytes(path, bytes);

    ComPtr<IBaseFilter> f = NewFileSource();
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(f.As(&load), S_OK);
    LPOLESTR name = nullptr;
    EXPECT_EQ(load->GetCurFile(&name, nullptr), E_FAIL);  // nothing loaded yet
    ASSERT_EQ(load->Load(Wide(path).c_str(), nullptr), S_OK);
    ASSERT_EQ(load->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name), Wide(path));
    CoTaskMemFree(name);

    ComPtr<IPin> pin = OutputOf(f.Get());
    EXPECT_EQ(OfferedSubtype(pin.Get()), GUID_NULL);  // no registered check bytes match
    ComPtr<IAsyncReader> reader;
    ASSERT_EQ(pin.As(&reader), S_OK);
    LONGLONG total = 0, available = 0;
    ASSERT_EQ(reader->Length(&total, &available), S_OK);
    EXPECT_EQ(total, 100000);
    BYTE chunk[300];
    ASSERT_EQ(reader->SyncRead(99700, 300, chunk), S_OK);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(chunk), 300), bytes.substr(99700));
}

TEST_F(AsyncFileSourceTest, RefusesWhatIsNoRegularFile)
{
    TempDir dir;
    ComPtr<IBaseFilter> f = NewFileSource();
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(f.As(&load), S_OK);
    EXPECT_EQ(load->Load(Wide(dir.File("missing.avi")).c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(load->Load(Wide(dir.path()).c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    std::string fifo = dir.File("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Opening a FIFO with no writer must not block.
    EXPECT_EQ(load->Load(Wide(fifo).c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_EQ(load->Load(nullptr, nullptr), E_POINTER);
}

TEST_F(AsyncFileSourceTest, TypeGivenToLoadWinsOverTheCheckBytes)
{
    TempDir dir;
    std::string path = dir.File("x.bin");
    WriteBytes(path, std::string("RIFF\x10\x00\x00\x00"
                                 "AVI LIST",
                                 16));
    ComPtr<IBaseFilter> f = NewFileSource();
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(f.As(&load), S_OK);
    ASSERT_EQ(load->Load(Wide(path).c_str(), nullptr), S_OK);
    EXPECT_EQ(OfferedSubtype(OutputOf(f.Get()).Get()), MEDIASUBTYPE_Avi);
    CMediaType given(MEDIATYPE_Stream);
    given.SetSubtype(MEDIASUBTYPE_MatroskaStream);
    ASSERT_EQ(load->Load(Wide(path).c_str(), &given), S_OK);
    EXPECT_EQ(OfferedSubtype(OutputOf(f.Get()).Get()), MEDIASUBTYPE_MatroskaStream);
}

}  // namespace
