// Media types of compressed streams, both ways: the type a splitter offers
// for a stream of the container (FORMAT_VideoInfo with the codec's
// extradata after the bitmap header; FORMAT_WaveFormatEx with the
// extradata after the wave format, the extensible form naming the subtype
// when the codec has no wave tag), and the codec parameters a decoder reads
// back from any such type (also FORMAT_VideoInfo2, FORMAT_MPEGVideo and
// FORMAT_MPEG2Video).
#pragma once

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/filters/LavHeaders.h"

// False for streams that get no pin (neither video nor audio, or a format
// block that cannot be built).
bool MediaTypeOfStream(const AVStream* stream, CMediaType* type);

// Fills codec_id, the tag, the picture or sound parameters and the
// extradata; false when the type is not one a decoder here takes.
bool CodecParametersOfType(const AM_MEDIA_TYPE& type, AVCodecParameters* params);
