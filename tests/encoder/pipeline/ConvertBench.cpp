// The conversion benchmark's program (bench/convert-graph.sh runs it): one
// job through a whole writer graph, as the progress window drives it: the
// settings record, BuildFilterChain, Open, the per-job calls, Play, and the
// graph's events answered with OnGraphNotify until the end of the job. The
// modules are the ones in the program folder given. Prints the wall time
// from BuildFilterChain to the end in seconds; the exit code is 0 only for
// an end with code 0.
//
//   convert_bench PROGRAM_FOLDER avi|mp4|asf|ogm SOURCE OUTPUT [treat]
//
// "treat" adds deinterlacing, picture values, sharpening and a 320x240
// output size.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/SourceProbe.h"
#include "encoder/pipeline/GraphAsfWriter.h"
#include "encoder/pipeline/GraphAviWriter.h"
#include "encoder/pipeline/GraphMessages.h"
#include "encoder/pipeline/GraphMp4Writer.h"
#include "encoder/pipeline/GraphOgmWriter.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/mfc/CWnd.h"
#include "platform/win32/CodePage.h"

namespace {

// The owner window's queue: posts wait here for the main thread.
struct Posted {
    UINT message;
    WPARAM wParam;
};
std::mutex g_lock;
std::condition_variable g_changed;
std::deque<Posted> g_posts;

std::unique_ptr<CGraphMain> MakeGraph(const std::string& format, CEncSettings& s)
{
    if (format == "avi") {
        s.nEncFormat = 0;
        return std::make_unique<CGraphAviWriter>(&s);
    }
    if (format == "mp4") {
        s.nEncFormat = 1;
        s.Mp4Encoder.fccVideoCodec = 0x31637661;  // "avc1"
        return std::make_unique<CGraphMp4Writer>(&s);
    }
    if (format == "asf") {
        s.nEncFormat = 2;
        return std::make_unique<CGraphAsfWriter>(&s);
    }
    if (format == "ogm") {
        s.nEncFormat = 3;
        return std::make_unique<CGraphOgmWriter>(&s);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: convert_bench PROGRAM_FOLDER avi|mp4|asf|ogm SOURCE OUTPUT [treat]\n");
        return 2;
    }
    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '/') folder += '/';
    CCoreEnvironment::Get().SetProgramFolder(CString(Utf8ToWide(folder)));
    CoInitialize(nullptr);
    RegisterSystemFilters();
    SetMessagePoster([](HWND, UINT message, WPARAM wParam, LPARAM) {
        std::lock_guard<std::mutex> g(g_lock);
        g_posts.push_back(Posted{message, wParam});
        g_changed.notify_all();
        return TRUE;
    });

    int result = 1;
    {
        auto settings = std::make_unique<CEncSettings>();
        settings->SetDefaultSettings();
        settings->nEncodePriority = 0;
        if (argc > 5 && std::strcmp(argv[5], "treat") == 0) {
            settings->bVideoDeinterlace = 1;
            settings->nVideoBrightness = 55;
            settings->nVideoContrast = 55;
            settings->nVideoSaturation = 60;
            settings->bVideoSharpen = 1;
            settings->nJobOutputWidth = 320;
            settings->nJobOutputHeight = 240;
        }
        std::unique_ptr<CGraphMain> graph = MakeGraph(argv[2], *settings);
        if (!graph) {
            std::fprintf(stderr, "convert_bench: unknown format %s\n", argv[2]);
            return 2;
        }
        CString source(Utf8ToWide(argv[3]));
        CString output(Utf8ToWide(argv[4]));
        CWnd owner;
        owner.m_hWnd = reinterpret_cast<HWND>(0x5150);
        const SGraphMessages& m = GetGraphMessages();

        auto begin = std::chrono::steady_clock::now();
        graph->SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
        graph->SetDspModule(nullptr);
        int opened = -100;
        if (graph->BuildFilterChain(ProbeMediaSource(source), nullptr, &owner)) opened = graph->Open(source, output);
        if (opened != 0) {
            std::fprintf(stderr, "convert_bench: the job cannot start (%d)\n", opened);
            for (int i = 0; i < graph->GetRenderLog().GetSize(); ++i)
                std::fprintf(stderr, "  %s\n", WideToUtf8(graph->GetRenderLog()[i].str()).c_str());
        } else {
            graph->SetAudioStream(0);
            graph->SetWriterPriority(settings->nEncodePriority);
            graph->SetWriterPreviewEnabled(FALSE);
            graph->Play();
            for (bool done = false; !done;) {
                std::unique_lock<std::mutex> g(g_lock);
                if (!g_changed.wait_for(g, std::chrono::minutes(30), [] { return !g_posts.empty(); })) break;
                Posted p = g_posts.front();
                g_posts.pop_front();
                g.unlock();
                if (p.message == m.graphNotify) {
                    graph->OnGraphNotify();
                } else if (p.message == m.playbackEof) {
                    done = true;
                    result = p.wParam == kEofFinished ? 0 : 1;
                    if (result) std::fprintf(stderr, "convert_bench: the job ended with %lu\n", p.wParam);
                }
            }
        }
        auto end = std::chrono::steady_clock::now();
        graph.reset();
        std::printf("%.4f\n", std::chrono::duration<double>(end - begin).count());
    }
    SetMessagePoster(nullptr);
    FreeFilterModules();
    CoUninitialize();
    return result;
}
