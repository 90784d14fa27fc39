// What a slider reports to the object it scrolls (the list box links itself
// so) instead of telling the application: the position changed, a drag
// ended, and the position the mouse points at.
#pragma once

class HXConSliderParent {
public:
    virtual ~HXConSliderParent() = default;
    // The outer position (reversed for a reversed range).
    virtual void OnSliderPosChange(int position, int sliderId) = 0;
    virtual void OnSliderPosChangeEnd(int position, int sliderId) = 0;
    // The position under the mouse, not reversed.
    virtual void OnSliderScanning(int position, int sliderId) = 0;
};
