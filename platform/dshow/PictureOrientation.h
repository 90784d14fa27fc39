// How a stream's pictures are to be turned to be seen as meant: a camera
// held upright or upside down stores its pictures as the sensor sees them
// and says how to turn them for showing. The turn travels with the video
// types from the splitter through the decoder to the video treatment,
// which turns the pictures. In a media type it is held by a
// VIDEOINFOHEADER2, in bits of dwControlFlags that the published flags
// leave free (AMCONTROL_USED set with them); any other type, and a
// VIDEOINFOHEADER2 without those bits, stands for pictures to be shown as
// they are stored.
#pragma once

#include "platform/dshow/MediaType.h"

struct PictureOrientation {
    // Quarter turns clockwise (0 to 3), made after a mirror from left to
    // right when mirrored.
    int quarterTurns = 0;
    bool mirrored = false;

    bool IsUpright() const { return quarterTurns == 0 && !mirrored; }
    // A quarter or three quarters: the picture shown is as wide as the
    // stored one is high.
    bool SwapsSides() const { return quarterTurns % 2 != 0; }
    bool operator==(const PictureOrientation&) const = default;
};

// dwControlFlags of VIDEOINFOHEADER2: the other flags are valid.
constexpr DWORD AMCONTROL_USED = 0x00000001;

// The orientation a video type states.
PictureOrientation OrientationOfType(const AM_MEDIA_TYPE& type);
// The dwControlFlags bits that state the orientation (0 for upright).
DWORD OrientationControlFlags(const PictureOrientation& orientation);
// The size of the picture of a video type as it is shown (rcSource, else
// the bitmap header; sides swapped by a quarter turn); false without a
// bitmap header.
bool ShownPictureSize(const AM_MEDIA_TYPE& type, int* width, int* height);
// The shape a video type says its stored picture is shown with (width :
// height, before any turn), from the picture aspect of a VIDEOINFOHEADER2:
// pixels that are not square (a DVD's 720x576 shown as 16:9) keep their
// shape this way. False for any other type and for an aspect left unset.
bool PictureAspectOfType(const AM_MEDIA_TYPE& type, DWORD* x, DWORD* y);
