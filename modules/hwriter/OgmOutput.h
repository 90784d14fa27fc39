// The OGM writer's output: the OGM muxer over the encoders' packets. Video
// streams carry the codec block's FourCC in their OGM stream header and
// keep their codec's headers in the stream; sound must be Vorbis, whose
// three header packets come from the encoder; text streams take captions.
#pragma once

#include <string>
#include <vector>

#include "modules/hwriter/OgmMuxer.h"
#include "modules/hwriter/WriterOutput.h"

class OgmOutput final : public WriterOutput {
public:
    explicit OgmOutput(std::wstring path) : m_strPath(std::move(path)) {}

    bool NeedsGlobalHeader() const override { return false; }
    int AddStream(const AVCodecContext* encoder, uint32_t tag, const std::string& language) override;
    int AddTextStream() override;
    bool WriteText(int stream, const std::string& utf8, int64_t start, int64_t duration) override;
    bool Start() override { return m_muxer.Open(m_strPath); }
    bool Write(int stream, AVPacket* packet, AVRational timeBase) override;
    bool Finish() override;

    // The three header packets of a Vorbis encoder's extradata (Xiph
    // lacing); false when it does not hold them.
    static bool SplitVorbisHeaders(const uint8_t* data, int size, std::vector<OgmPacket>* headers);

private:
    struct StreamInfo {
        int muxerStream = -1;
        bool video = false;
        bool text = false;
        int sampleRate = 0;  // Vorbis
    };

    std::wstring m_strPath;
    OgmMuxer m_muxer;
    std::vector<StreamInfo> m_streams;
    bool m_bFinished = false;
    bool m_bFinishResult = true;
};
