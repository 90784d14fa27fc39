#include "HNumSpinCtrl.h"

#include <cstdlib>

BEGIN_MESSAGE_MAP(HNumSpinCtrl, CSpinButtonCtrl)
ON_NOTIFY_REFLECT(UDN_DELTAPOS, &HNumSpinCtrl::OnDeltaPos)
END_MESSAGE_MAP()

HNumEdit* HNumSpinCtrl::NumericBuddy() const
{
    HWND buddy = reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY));
    return buddy ? dynamic_cast<HNumEdit*>(CWnd::FromHandlePermanent(buddy)) : nullptr;
}

void HNumSpinCtrl::SetDelta(float delta)
{
    if (HNumEdit* edit = NumericBuddy()) edit->SetDelta(delta);
}

float HNumSpinCtrl::GetDelta()
{
    HNumEdit* edit = NumericBuddy();
    return edit ? edit->GetDelta() : 0.0f;
}

void HNumSpinCtrl::UseOwnRange()
{
    // The up arrow steps up only while the up-down's own range runs upward
    // (the system's default range runs from 100 down to 0).
    SetRange32(0, kOwnRange);
}

void HNumSpinCtrl::SetBuddy(CWnd* edit)
{
    // The buddy shows the edit's number, never the up-down's position.
    ModifyStyle(UDS_SETBUDDYINT, 0);
    CSpinButtonCtrl::SetBuddy(edit);
    UseOwnRange();
    SetPos32(kMiddle);
    if (HNumEdit* numeric = NumericBuddy()) numeric->SetValue(0.0f);
}

CWnd* HNumSpinCtrl::GetBuddy() const { return CSpinButtonCtrl::GetBuddy(); }

void HNumSpinCtrl::GetRange(float& minimum, float& maximum)
{
    if (HNumEdit* edit = NumericBuddy()) {
        edit->GetRange(minimum, maximum);
    } else {
        minimum = 0.0f;
        maximum = 0.0f;
    }
}

void HNumSpinCtrl::SetRange(float minimum, float maximum)
{
    UseOwnRange();
    if (HNumEdit* edit = NumericBuddy()) edit->SetRange(minimum, maximum);
}

float HNumSpinCtrl::GetValue()
{
    HNumEdit* edit = NumericBuddy();
    return edit ? edit->GetValue() : 0.0f;
}

void HNumSpinCtrl::SetValue(float value)
{
    SetPos32(kMiddle);
    if (HNumEdit* edit = NumericBuddy()) edit->SetValue(value);
}

void HNumSpinCtrl::OnDeltaPos(NMHDR* header, LRESULT* result)
{
    auto* change = reinterpret_cast<NMUPDOWN*>(header);
    int position = change->iPos;
    int delta = change->iDelta;
    // Near either end of its own range the up-down goes back to the middle,
    // so that it never stops taking steps, whichever way they go.
    int size = std::abs(delta);
    if (size >= position || position >= kOwnRange - size) {
        change->iPos = kMiddle;
        SetPos32(kMiddle);
    }
    if (HNumEdit* edit = NumericBuddy()) edit->Step(delta);
    *result = 0;
}
