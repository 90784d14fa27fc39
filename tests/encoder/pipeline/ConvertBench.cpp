// The conversion benchmark's program (bench/convert-graph.sh runs it): one
// job through a whole writer graph, as the progress window drives it: the
// settings record, BuildFilterChain, Open, the per-job calls, Play, and the
// graph's events answered with OnGraphNotify until the end of the job. The
// modules are the ones in the program folder given. Prints the wall time
// from BuildFilterChain to the end in seconds; the exit code is 0 only for
// an end with code 0.
//
//   convert_bench PROGRAM_FOLDER avi|mp4|asf|ogm SOURCE OUTPUT [treat] [pane|preview]
//
// "treat" adds deinterlacing, picture values, sharpening and a 320x240
// output size. "pane" gives the graph a 480x360 preview pane in a window of
// the window layer (offscreen unless QT_QPA_PLATFORM says otherwise) whose
// messages the main thread serves while it waits for the end of the job,
// as the progress window's thread does; "preview" also turns the writer's
// preview on, so that the two differ only in the preview.
#include <QApplication>
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
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"

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
        std::fprintf(stderr,
                     "usage: convert_bench PROGRAM_FOLDER avi|mp4|asf|ogm SOURCE OUTPUT [treat] [pane|preview]\n");
        return 2;
    }
    bool treat = false, withPane = false, preview = false;
    for (int i = 5; i < argc; ++i) {
        if (std::strcmp(argv[i], "treat") == 0) {
            treat = true;
        } else if (std::strcmp(argv[i], "pane") == 0) {
            withPane = true;
        } else if (std::strcmp(argv[i], "preview") == 0) {
            withPane = preview = true;
        } else {
            std::fprintf(stderr, "convert_bench: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    if (withPane) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::unique_ptr<QApplication> app;
    if (withPane) app = std::make_unique<QApplication>(argc, argv);
    std::string folder = argv[1];
    if (folder.empty() || folder.back() != '/') folder += '/';
    CCoreEnvironment::Get().SetProgramFolder(CString(Utf8ToWide(folder)));
    CoInitialize(nullptr);
    RegisterSystemFilters();
    // The graph's messages to its owner wait here; the preview pane's go to
    // the window layer's queue.
    const HWND ownerHandle = reinterpret_cast<HWND>(0x5150);
    static MessagePoster windowQueue;
    windowQueue = SetMessagePoster([ownerHandle](HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (window != ownerHandle) return windowQueue ? windowQueue(window, message, wParam, lParam) : FALSE;
        std::lock_guard<std::mutex> g(g_lock);
        g_posts.push_back(Posted{message, wParam});
        g_changed.notify_all();
        return TRUE;
    });
    HWND frame = nullptr;
    CWnd pane;
    if (withPane) {
        frame = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 496, 376, nullptr, nullptr, nullptr,
                                nullptr);
        pane.m_hWnd =
            CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 8, 8, 480, 360, frame, nullptr, nullptr, nullptr);
        if (!frame || !pane.m_hWnd) {
            std::fprintf(stderr, "convert_bench: the preview pane cannot be made\n");
            return 2;
        }
    }

    int result = 1;
    {
        auto settings = std::make_unique<CEncSettings>();
        settings->SetDefaultSettings();
        settings->nEncodePriority = 0;
        if (treat) {
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
        owner.m_hWnd = ownerHandle;
        const SGraphMessages& m = GetGraphMessages();

        auto begin = std::chrono::steady_clock::now();
        graph->SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
        graph->SetDspModule(nullptr);
        int opened = -100;
        if (graph->BuildFilterChain(ProbeMediaSource(source), withPane ? &pane : nullptr, &owner))
            opened = graph->Open(source, output);
        if (opened != 0) {
            std::fprintf(stderr, "convert_bench: the job cannot start (%d)\n", opened);
            for (int i = 0; i < graph->GetRenderLog().GetSize(); ++i)
                std::fprintf(stderr, "  %s\n", WideToUtf8(graph->GetRenderLog()[i].str()).c_str());
        } else {
            graph->SetAudioStream(0);
            graph->SetWriterPriority(settings->nEncodePriority);
            graph->SetWriterPreviewEnabled(preview ? TRUE : FALSE);
            graph->Play();
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(30);
            for (bool done = false; !done;) {
                // With a pane its messages are served between short waits,
                // as a window's thread serves them.
                if (withPane) DispatchPendingMessages();
                std::unique_lock<std::mutex> g(g_lock);
                const auto wait = withPane ? std::chrono::milliseconds(5) : std::chrono::milliseconds(60000);
                if (!g_changed.wait_for(g, wait, [] { return !g_posts.empty(); })) {
                    if (std::chrono::steady_clock::now() > deadline) break;
                    continue;
                }
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
        if (preview && result == 0) {
            // A preview that showed nothing measured nothing.
            DispatchPendingMessages();
            HWND picture = GetWindow(pane.m_hWnd, GW_CHILD);
            if (!picture || !IsWindowVisible(picture)) {
                std::fprintf(stderr, "convert_bench: the preview pane showed no picture\n");
                result = 1;
            }
        }
        graph.reset();
        std::printf("%.4f\n", std::chrono::duration<double>(end - begin).count());
    }
    if (frame) DestroyWindow(frame);
    SetMessagePoster(windowQueue);
    FreeFilterModules();
    CoUninitialize();
    return result;
}
