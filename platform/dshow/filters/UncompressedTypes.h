// The uncompressed media types the renderers take: pictures in the common
// YUV and RGB layouts with a video information header, and PCM or float
// samples with a wave format.
#pragma once

#include <vector>

#include "platform/dshow/MediaType.h"

const std::vector<GUID>& UncompressedVideoSubtypes();
const std::vector<GUID>& UncompressedAudioSubtypes();
bool IsUncompressedVideo(const AM_MEDIA_TYPE& type);
bool IsUncompressedAudio(const AM_MEDIA_TYPE& type);
