// CMp4Writer: the MP4 writer of the writer module, with the MP4 block of the
// settings record. With the block's PSP setting it writes the PSP's variant
// of the file: its brand and atoms, a picture of at most 320x240 (the
// video treatment filter gives that size; larger pictures are scaled down
// here), 15 or 30 frames per second, and sound at 48000 Hz with H.264 and
// 24000 Hz with MPEG-4, as the writer graph also asks of the audio filter.
#pragma once

#include "modules/hwriter/CodecBlockWriter.h"

class CMp4Writer : public CCodecBlockWriter<IMp4WriterFormat, SMp4CodecSettings> {
public:
    explicit CMp4Writer(IUnknown* outer);

protected:
    bool CodecRequestOfRun(EncoderRequest* request) override;
    const char* ContainerName() const override;
    void AdjustVideo(VideoEncoderSetup* video) override;
    void AdjustAudio(AudioEncoderSetup* audio) override;
    // The PSP's files hold one picture and one sound stream.
    bool NeedsPictureAndSound() const override { return ForPsp(); }

private:
    // The block's PSP setting, and whether its video is H.264.
    bool ForPsp() const;
    bool H264() const;
};
