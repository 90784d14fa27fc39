// The writer benchmark's program (bench/hwriter-encode.sh runs it): the file
// is read by the system's source, splitter and decoders and encoded by a
// writer of hwriter.dll (from the given program folder) with fixed codec
// settings, as fast as it can; the wall time from the first call to the
// end of the stream is printed in seconds.
//
//   hwriter_bench PROGRAM_FOLDER CHOICE SOURCE OUTPUT
//
// CHOICE: avi-mpeg4-mp3 (XVID at 1000 kbit/s, MP3 at 128 kbit/s),
// mp4-h264-aac (avc1 at 1000 kbit/s, AAC at 128 kbit/s) or asf-wmv2-wma2
// (Windows Media Video 8 at 1000 kbit/s of 1024 bits, Windows Media Audio
// 2 at 128 kbit/s); constant bit rate, a key frame every 10 seconds.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "modules/api/WriterFilters.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/NativePath.h"
#include "platform/wmf/WmInterfaces.h"
#include "tests/platform/dshow/BenchGraphRun.h"

namespace {

constexpr DWORD kXvid = 0x44495658;
constexpr DWORD kAvc1 = 0x31637661;

int Encode(const std::string& folder, const std::string& choice, const char* source, const char* output)
{
    auto begin = std::chrono::steady_clock::now();
    CLSID clsid = choice == "avi-mpeg4-mp3"   ? CLSID_HalvaneAviWriter
                  : choice == "mp4-h264-aac"  ? CLSID_HalvaneMp4Writer
                  : choice == "asf-wmv2-wma2" ? CLSID_HalvaneAsfWriter
                                              : CLSID{};
    if (clsid == CLSID{}) return 2;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> writer;
    std::wstring module = FromNativePath(folder + "/hwriter.dll");
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.GetAddressOf()))) ||
        FAILED(CreateObjectFromModule(module.c_str(), clsid, IID_IBaseFilter,
                                      reinterpret_cast<void**>(writer.GetAddressOf()))) ||
        !writer)
        return 1;
    graph->AddFilter(writer.Get(), L"Writer");
    ComPtr<IFileSinkFilter> sink;
    if (FAILED(writer.As(&sink)) || FAILED(sink->SetFileName(FromNativePath(output).c_str(), nullptr))) return 1;
    if (FAILED(graph->RenderFile(FromNativePath(source).c_str(), nullptr))) {
        std::fprintf(stderr, "hwriter_bench: %s: cannot render\n", source);
        return 1;
    }
    const SCodecSettings avi{kXvid, 0, 1000, 50, 10, 0x55, 0, 128, 30};
    const SMp4CodecSettings mp4{0, kAvc1, 0, 1000, 50, 10, 0, 0xFF, 128, 30};
    ComPtr<IAviWriterFormat> aviFormat;
    ComPtr<IMp4WriterFormat> mp4Format;
    ComPtr<IAsfWriterProfile> asfProfile;
    std::unique_ptr<CEncSettings> settings;
    if (SUCCEEDED(writer.As(&aviFormat))) {
        aviFormat->SetCodecSettings(&avi);
    } else if (SUCCEEDED(writer.As(&mp4Format))) {
        mp4Format->SetCodecSettings(&mp4);
    } else if (SUCCEEDED(writer.As(&asfProfile))) {
        settings = std::make_unique<CEncSettings>();
        settings->WmvEncoder.sVideoCodec = L"Windows Media Video 8";
        settings->WmvEncoder.sAudioCodec = L"Windows Media Audio 2";
        settings->WmvEncoder.sAudioFormat = L"128 kbps, 44 kHz, stereo CBR";
        settings->WmvEncoder.nVideoKBitrate = 1000;
        settings->WmvEncoder.nSecPerKeyframe = 10;
        ComPtr<IWMProfile> profile;
        if (FAILED(settings->WmvEncoder.CreateProfile(profile.GetAddressOf(), writer.Get(), settings.get()))) return 1;
        asfProfile->SetProfile(profile.Get());
    }
    return RunGraphTimed(graph.Get(), "hwriter_bench", source, begin);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: hwriter_bench PROGRAM_FOLDER CHOICE SOURCE OUTPUT\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || FAILED(RegisterSystemFilters())) return 1;
    int failed = Encode(argv[1], argv[2], argv[3], argv[4]);
    CoUninitialize();
    return failed;
}
