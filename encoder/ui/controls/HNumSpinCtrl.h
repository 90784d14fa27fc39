// An up-down control whose own position means nothing: every click steps its
// buddy, a numeric edit (HNumEdit), by the buddy's increment. Its own range
// is 0..1000 with the position kept near the middle, so that clicks never
// stop at an end of it; the buddy's range is the one that counts.
#pragma once

#include "encoder/ui/controls/HNumEdit.h"
#include "platform/mfc/CommonCtrls.h"

class HNumSpinCtrl : public CSpinButtonCtrl {
public:
    // Each forwards to the buddy when it is a numeric edit, and does nothing
    // (getters answer 0) otherwise.
    virtual void SetDelta(float delta);
    virtual float GetDelta();
    // Makes the window the buddy; a numeric edit is set to 0. The up-down
    // never writes its own position into the buddy.
    virtual void SetBuddy(CWnd* edit);
    virtual CWnd* GetBuddy() const;
    virtual void GetRange(float& minimum, float& maximum);
    // The up-down's own range becomes 0..1000, the buddy's min..max.
    virtual void SetRange(float minimum, float maximum);
    virtual float GetValue();
    // The up-down's own position goes to 500, the buddy's value to x.
    virtual void SetValue(float value);

    // The buddy as a numeric edit; null when it is none.
    HNumEdit* NumericBuddy() const;

protected:
    void OnDeltaPos(NMHDR* header, LRESULT* result);
    DECLARE_MESSAGE_MAP()

private:
    static constexpr int kOwnRange = 1000;
    static constexpr int kMiddle = 500;
    void UseOwnRange();
};
