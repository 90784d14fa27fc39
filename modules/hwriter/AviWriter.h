// CAviWriter: the AVI writer of the writer module. Its codec block is the
// AVI block of the settings record; the streams are named in the file by
// the block's FourCC and wave format tag.
#pragma once

#include "modules/hwriter/WriterFilter.h"

class CAviWriter : public CWriterFilter, public UncalledPlaces<IAviWriterFormat> {
public:
    explicit CAviWriter(IUnknown* outer);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IAviWriterFormat: a copy of the block is kept.
    HRESULT SetCodecSettings(const SCodecSettings* codec) override;

protected:
    bool CodecRequestOfRun(EncoderRequest* request) override;
    const char* ContainerName() const override { return "avi"; }

private:
    SCodecSettings m_codec;
    bool m_bCodecSet = false;
};

// An encoder request from the AVI and OGM block.
EncoderRequest RequestOfCodecBlock(const SCodecSettings& codec);
