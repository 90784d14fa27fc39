// CAviWriter: the AVI writer of the writer module. Its codec block is the
// AVI block of the settings record; the streams are named in the file by
// the block's FourCC and wave format tag.
#pragma once

#include "modules/hwriter/CodecBlockWriter.h"

class CAviWriter : public CCodecBlockWriter<IAviWriterFormat, SCodecSettings> {
public:
    explicit CAviWriter(IUnknown* outer);

protected:
    bool CodecRequestOfRun(EncoderRequest* request) override;
    const char* ContainerName() const override { return "avi"; }
};

// An encoder request from the AVI and OGM block.
EncoderRequest RequestOfCodecBlock(const SCodecSettings& codec);
