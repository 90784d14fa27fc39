// What the settings' summaries and size prediction read of one job: its
// video and audio connection types (either may be missing) and its times in
// whole seconds. The job record hands these out; the types stay the job's.
#pragma once

struct AM_MEDIA_TYPE;

struct SEncJobMedia {
    const AM_MEDIA_TYPE* pVideoType = nullptr;
    const AM_MEDIA_TYPE* pAudioType = nullptr;
    int nDuration = 0;
    // The segment; used when the start lies before the end.
    int nRangeStart = 0;
    int nRangeEnd = 0;
};
