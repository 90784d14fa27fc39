// Where the source picture goes in the output picture: the output size, the
// part of the source that is kept, the size it is scaled to and where it
// stands (the rest of the output is black bars).
#pragma once

#include "modules/hvf/VideoFilterSettings.h"
#include "platform/dshow/PictureOrientation.h"

struct SourcePicture {
    int width = 0;
    int height = 0;
    // The shape the picture is shown with (width / height); 0 for square
    // pixels, the shape of the size.
    double displayAspect = 0;
};

// The picture as it is seen once turned as the orientation says: a quarter
// turn swaps its sides and its shape.
SourcePicture TurnedPicture(const SourcePicture& stored, const PictureOrientation& orientation);

struct PictureLayout {
    int outputWidth = 0;
    int outputHeight = 0;
    // The part of the source kept.
    int cropX = 0;
    int cropY = 0;
    int cropWidth = 0;
    int cropHeight = 0;
    // Its size in the output, and where it stands.
    int scaledWidth = 0;
    int scaledHeight = 0;
    int offsetX = 0;
    int offsetY = 0;

    bool Crops(const SourcePicture& source) const
    {
        return cropX != 0 || cropY != 0 || cropWidth != source.width || cropHeight != source.height;
    }
    bool Scales() const { return scaledWidth != cropWidth || scaledHeight != cropHeight; }
    bool Pads() const { return scaledWidth != outputWidth || scaledHeight != outputHeight; }
    bool operator==(const PictureLayout&) const = default;
};

// The layout of a source (as it is seen, turned) under the settings. Without a size set the output
// keeps the source's size; 4:2:0 output (I420) keeps every size and offset
// even, so an odd last row or column of the source is left out. A source
// smaller than 2x2 pixels gives an empty layout.
PictureLayout ComputePictureLayout(const SourcePicture& source, const PictureSettings& settings);
