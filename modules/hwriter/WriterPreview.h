// WriterPreview: the pictures a writer shows while its preview is on. The
// streaming thread offers every picture it encodes; one is scaled down to
// the size the program's preview sink shows and handed to it only when the
// sink is ready for it and a fifteenth of a second has passed since the
// last one, so that the preview costs the encoding next to nothing: a sink
// that has not shown the last picture yet (a busy window) gets none, and
// nothing here ever waits for the window's thread.
//
// The sink and the switch are set on the program's thread; the lock keeps
// a sink from going while a picture is handed to it, and no picture from
// reaching it after the preview was turned off.
#pragma once

#include <chrono>
#include <mutex>

#include "encoder/pipeline/WriterFilters.h"
#include "platform/com/ComPtr.h"

struct AVFrame;
struct SwsContext;

class WriterPreview {
public:
    WriterPreview() = default;
    ~WriterPreview();
    WriterPreview(const WriterPreview&) = delete;
    WriterPreview& operator=(const WriterPreview&) = delete;

    // The sink (null: none); the writer holds its own reference.
    void SetSink(IWriterPreviewSink* sink);
    // Off clears the sink's picture.
    void SetEnabled(bool on);
    // A picture about to be encoded; displayAspect is the shape it is shown
    // with (width / height; 0 for square pixels).
    void Offer(const AVFrame* picture, double displayAspect);

private:
    // Scales the picture into m_pScaled at the size given; false when the
    // scaler cannot do it.
    bool Scale(const AVFrame* picture, int width, int height);

    std::mutex m_lock;
    ComPtr<IWriterPreviewSink> m_pSink;
    bool m_bEnabled = false;
    std::chrono::steady_clock::time_point m_lastShown{};
    SwsContext* m_pScaler = nullptr;
    AVFrame* m_pScaled = nullptr;
};
