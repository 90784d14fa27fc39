// The audio filter's benchmark program (bench/haf-resample.sh runs it): the
// file's first audio stream is read by the system's source, decoded (PCM
// needs no decoder), and
// resampled by the audio filter of HAF.ax to 44.1 kHz stereo 16-bit into the null
// renderer; the graph runs to the end without waiting for any clock, and the
// wall time from the first call to the end of the stream is printed in
// seconds.
//
//   haf_bench FILE
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "modules/api/AudioFilterControl.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/NativePath.h"

namespace {

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction)
{
    ComPtr<IEnumPins> pins;
    IPin* p = nullptr;
    if (FAILED(filter->EnumPins(pins.GetAddressOf()))) return {};
    while (pins->Next(1, &p, nullptr) == S_OK) {
        ComPtr<IPin> pin;
        pin.Attach(p);
        PIN_DIRECTION d;
        if (SUCCEEDED(pin->QueryDirection(&d)) && d == direction) return pin;
    }
    return {};
}

// The audio filter from HAF.ax in the program folder: the one RIVO_BIN_DIR
// names, else the build's "bin" beside this program's "bench".
ComPtr<IBaseFilter> AudioFilter()
{
    std::string folder;
    if (const char* named = std::getenv("RIVO_BIN_DIR")) {
        folder = named;
    } else {
        char self[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        if (n <= 0) return {};
        folder.assign(self, static_cast<size_t>(n));
        folder = folder.substr(0, folder.rfind('/')) + "/../bin";
    }
    HMODULE module = LoadLibraryW(Utf8ToWide(folder + "/HAF.ax").c_str());
    auto get = module ? reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject")) : nullptr;
    ComPtr<IClassFactory> factory;
    ComPtr<IBaseFilter> filter;
    if (get &&
        SUCCEEDED(get(CLSID_HalvaneAudioFilter, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()))))
        factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()));
    return filter;
}

ComPtr<IBaseFilter> Create(const CLSID& clsid)
{
    ComPtr<IBaseFilter> f;
    CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter, reinterpret_cast<void**>(f.GetAddressOf()));
    return f;
}

int Run(const char* path)
{
    auto begin = std::chrono::steady_clock::now();
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.GetAddressOf()))))
        return 1;
    ComPtr<IBaseFilter> source = Create(CLSID_MediaSource), decoder = Create(CLSID_AudioDecoder),
                        renderer = Create(CLSID_NullRenderer), audio = AudioFilter();
    ComPtr<IFileSourceFilter> load;
    ComPtr<IAudioFilterControl> control;
    if (!source || !decoder || !renderer || !audio || FAILED(source.As(&load)) || FAILED(audio.As(&control)) ||
        FAILED(load->Load(FromNativePath(path).c_str(), nullptr)))
        return 1;
    graph->AddFilter(source.Get(), L"Source");
    graph->AddFilter(decoder.Get(), L"Decoder");
    graph->AddFilter(audio.Get(), kAudioFilterName);
    graph->AddFilter(renderer.Get(), L"Renderer");
    control->SetAudioSampleRate(44100);
    control->SetAudioChannels(2);
    control->SetAudioBitsPerSample(16);
    // PCM goes straight from the source to the filter; anything else
    // through the decoder.
    ComPtr<IPin> sound = FirstPin(source.Get(), PINDIR_OUTPUT);
    if (FAILED(graph->ConnectDirect(sound.Get(), FirstPin(audio.Get(), PINDIR_INPUT).Get(), nullptr)) &&
        (FAILED(graph->ConnectDirect(sound.Get(), FirstPin(decoder.Get(), PINDIR_INPUT).Get(), nullptr)) ||
         FAILED(graph->ConnectDirect(FirstPin(decoder.Get(), PINDIR_OUTPUT).Get(),
                                     FirstPin(audio.Get(), PINDIR_INPUT).Get(), nullptr))))
        sound.Reset();
    if (!sound || FAILED(graph->ConnectDirect(FirstPin(audio.Get(), PINDIR_OUTPUT).Get(),
                                              FirstPin(renderer.Get(), PINDIR_INPUT).Get(), nullptr))) {
        std::fprintf(stderr, "haf_bench: %s: cannot connect\n", path);
        return 1;
    }
    ComPtr<IMediaControl> media;
    ComPtr<IMediaEvent> events;
    graph.As(&media);
    graph.As(&events);
    if (!media || !events || FAILED(media->Run())) return 1;
    LONG code = 0;
    HRESULT hr = events->WaitForCompletion(600000, &code);
    auto end = std::chrono::steady_clock::now();
    media->Stop();
    if (FAILED(hr) || code != EC_COMPLETE) {
        std::fprintf(stderr, "haf_bench: %s: the run did not complete\n", path);
        return 1;
    }
    std::printf("%s %.3f\n", path, std::chrono::duration<double>(end - begin).count());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: haf_bench FILE\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || FAILED(RegisterSystemFilters())) return 1;
    int failed = Run(argv[1]);
    CoUninitialize();
    return failed;
}
