// COgmWriter: the OGM writer of the writer module, with the OGM block of the
// settings record (MPEG-4 or H.264 video named by the block's FourCC,
// Vorbis sound at a quality or a bit rate), written by the project's own
// OGM muxer. It also takes a worker channel, which it keeps and does not
// use.
#pragma once

#include "modules/hwriter/WriterFilter.h"
#include "platform/com/ComPtr.h"

class COgmWriter : public CWriterFilter, public UncalledPlaces<IOgmWriterFormat> {
public:
    explicit COgmWriter(IUnknown* outer);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IOgmWriterFormat: a copy of the block is kept; the channel (or null)
    // is held until the next one or the writer's end.
    HRESULT SetCodecSettings(const SCodecSettings* codec) override;
    HRESULT SetChannel(IUnknown* channel) override;

protected:
    bool CodecRequestOfRun(EncoderRequest* request) override;
    const char* ContainerName() const override { return "ogg"; }
    std::unique_ptr<WriterOutput> CreateOutput(const std::wstring& path, const std::string& nativePath) override;
    // An OGM video packet has one time, its place in the stream: frames
    // are not reordered.
    void AdjustVideo(VideoEncoderSetup* video) override { video->inOrder = true; }

private:
    SCodecSettings m_codec;
    bool m_bCodecSet = false;
    ComPtr<IUnknown> m_pChannel;
};
