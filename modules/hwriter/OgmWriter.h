// COgmWriter: the OGM writer of the writer module, with the OGM block of the
// settings record (MPEG-4 or H.264 video named by the block's FourCC,
// Vorbis sound at a quality or a bit rate, and captions from its text
// input), written by the project's own OGM muxer. It also takes a worker channel, which it keeps and does not
// use.
#pragma once

#include "modules/hwriter/CodecBlockWriter.h"
#include "platform/com/ComPtr.h"

class COgmWriter : public CCodecBlockWriter<IOgmWriterFormat, SCodecSettings> {
public:
    explicit COgmWriter(IUnknown* outer);

    // IOgmWriterFormat: the channel (or null) is held until the next one or
    // the writer's end.
    HRESULT SetChannel(IUnknown* channel) override;

protected:
    bool CodecRequestOfRun(EncoderRequest* request) override;
    const char* ContainerName() const override { return "ogg"; }
    std::unique_ptr<WriterOutput> CreateOutput(const std::wstring& path, const std::string& nativePath) override;
    // An OGM video packet has one time, its place in the stream: frames
    // are not reordered.
    void AdjustVideo(VideoEncoderSetup* video) override { video->inOrder = true; }

private:
    ComPtr<IUnknown> m_pChannel;
};
