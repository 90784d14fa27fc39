// CAudioTempo: changes the speed of interleaved signed 16-bit sound without
// changing its pitch, through the filtering library's tempo filter (as many of them in
// a row as a factor below one half needs). Frames go in and come out at the
// same rate and in the same layout; the filter holds some back, which
// Finish gives out at the end of the stream.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dshow/filters/LavHeaders.h"

struct AVFilterGraph;
struct AVFilterContext;

class CAudioTempo {
public:
    CAudioTempo() = default;
    ~CAudioTempo();
    CAudioTempo(const CAudioTempo&) = delete;
    CAudioTempo& operator=(const CAudioTempo&) = delete;

    // tempo: the speed factor (0.1 to 10). False when the library cannot set
    // the filters up; the tempo is then closed.
    bool Open(double tempo, int rate, const AVChannelLayout& layout);
    void Close();
    bool IsOpen() const { return m_graph != nullptr; }

    // Treats frames of interleaved samples and appends what comes out.
    bool Push(const int16_t* samples, int frames, std::vector<int16_t>* out);
    // The end of the stream: appends what the filter still holds. The tempo
    // must be opened again before more sound goes in.
    bool Finish(std::vector<int16_t>* out);

private:
    bool Collect(std::vector<int16_t>* out);

    AVFilterGraph* m_graph = nullptr;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    AVFrame* m_frame = nullptr;
    AVChannelLayout m_layout{};
    int m_channels = 0;
    int m_rate = 0;
    int64_t m_pts = 0;
};
