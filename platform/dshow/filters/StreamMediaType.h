// Media types of compressed streams, both ways: the type a splitter offers
// for a stream of the container (FORMAT_VideoInfo with the codec's
// extradata after the bitmap header; FORMAT_WaveFormatEx with the
// extradata after the wave format, the extensible form naming the subtype
// when the codec has no wave tag), and the codec parameters a decoder reads
// back from any such type (also FORMAT_VideoInfo2, FORMAT_MPEGVideo and
// FORMAT_MPEG2Video). A video stream whose pictures are to be turned for
// showing travels as FORMAT_VideoInfo2 with its orientation
// (PictureOrientation.h).
#pragma once

#include <cstdint>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/dshow/filters/LavHeaders.h"

// The orientation a display matrix of the container states (nine 32-bit
// values, the first two of each row in 16.16 fixed point: where the
// picture's x and y axes go on the screen). A turn that is not a whole
// number of quarters counts as the nearest one; a matrix that keeps no
// shape (flat, or the axes not at right angles) as upright.
PictureOrientation OrientationOfDisplayMatrix(const int32_t matrix[9]);

// False for streams that get no pin (neither video nor audio, or a format
// block that cannot be built).
bool MediaTypeOfStream(const AVStream* stream, CMediaType* type);

// Fills codec_id, the tag, the picture or sound parameters and the
// extradata; false when the type is not one a decoder here takes.
bool CodecParametersOfType(const AM_MEDIA_TYPE& type, AVCodecParameters* params);
