// Graphs for the video treatment filter's tests: a file made by the ffmpeg
// command line, read by the system's source, splitter and decoder, through
// the filter into a sink that keeps every picture; and the same file
// treated by the ffmpeg command line, as the oracle the pictures are
// compared with.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/hvf/VideoFilter.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/platform/dshow/SyntheticFilters.h"

// One picture as it left the filter, its bytes as packed I420 (or as they
// came, for RGB32).
struct Picture {
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
    std::string data;
};

// Planar 4:2:0 pictures of one size.
struct I420View {
    int width = 0;
    int height = 0;
    const std::string* data = nullptr;
    uint8_t Y(int x, int y) const { return static_cast<uint8_t>((*data)[static_cast<size_t>(y) * width + x]); }
    uint8_t U(int x, int y) const
    {
        return static_cast<uint8_t>((*data)[static_cast<size_t>(width) * height + (y / 2) * (width / 2) + x / 2]);
    }
    uint8_t V(int x, int y) const
    {
        size_t chroma = static_cast<size_t>(width / 2) * (height / 2);
        return static_cast<uint8_t>(
            (*data)[static_cast<size_t>(width) * height + chroma + (y / 2) * (width / 2) + x / 2]);
    }
};

// The filter's first pin of the direction (null when it has none).
ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction);

// Saves a packed I420 picture as a PNG under the build folder's
// screenshots (converted by the ffmpeg command line); the file's path.
std::string SaveScreenshot(const std::string& i420, int width, int height, const std::string& name);

// Peak signal-to-noise ratio of two pictures' bytes, in dB (1000 for equal
// pictures, 0 for pictures of different sizes).
double Psnr(const std::string& a, const std::string& b);

class TreatmentGraphTest : public SystemFilterTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A file of the ffmpeg command line (a video stream only).
    std::string MakeSource(const std::string& name, const std::string& args);
    // The file's pictures as ffmpeg treats them with the filter text (empty:
    // none), as packed I420 of the given size.
    std::vector<std::string> FfmpegPictures(const std::string& path, const std::string& vf, int width, int height);

    // Puts the system's file source, the splitter and the video decoder in
    // the graph and connects them, the filter and the sink; with
    // watchInput, through a pass transform (inputWatch) that notes where the
    // decoder's pictures lie. With the generic source as the splitter, the
    // file source the graph chooses (which for MP4 is that source) gives the
    // streams.
    void Open(const std::string& path, const CLSID& splitter, bool watchInput = false);
    // Runs the graph to its end; the pictures that reached the sink.
    std::vector<Picture> RunToEnd();
    // The pictures that reached the sink so far.
    std::vector<Picture> OutputPictures();
    // The output connection's picture size.
    void OutputSize(int* width, int* height);

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ComPtr<IMediaSeeking> seeking;
    ComPtr<IBaseFilter> filterObject;
    CVideoFilter* filter = nullptr;
    ComPtr<IVideoFilterControl> video;
    CCollectSink* sink = nullptr;
    CPassTransform* inputWatch = nullptr;  // held by the graph
};
