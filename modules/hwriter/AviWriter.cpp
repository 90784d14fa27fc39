#include "modules/hwriter/AviWriter.h"

EncoderRequest RequestOfCodecBlock(const SCodecSettings& c)
{
    EncoderRequest r;
    r.videoFourCC = c.fccVideoCodec;
    r.videoMode = c.nVideoEncMode;
    r.videoKBitrate = c.nVideoKBitrate;
    r.videoQuality = c.nVideoQuality;
    r.secPerKeyframe = c.nSecPerKeyframe;
    r.audioTag = c.nAudioCodec;
    r.audioMode = c.nAudioEncMode;
    r.audioKBitrate = c.nAudioKBitrate;
    r.audioQuality = c.nAudioQuality;
    return r;
}

CAviWriter::CAviWriter(IUnknown* outer) : CCodecBlockWriter(CLSID_HalvaneAviWriter, L"Halvane Avi Writer", outer) {}

bool CAviWriter::CodecRequestOfRun(EncoderRequest* request)
{
    SCodecSettings block;
    if (!CodecBlock(&block)) return false;
    *request = RequestOfCodecBlock(block);
    return true;
}
