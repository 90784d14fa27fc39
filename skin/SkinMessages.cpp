#include "skin/SkinMessages.h"

#include "platform/win32/WindowMessages.h"

UINT SkinNotifyMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXSKIN_NOTIFY");
    return id;
}

UINT SkinControlNotifyMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXSKINCONTROL_NOTIFY");
    return id;
}

UINT SkinInvalidControlMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXSKINCONTROL_INVALIDCONTROL");
    return id;
}

UINT SkinRefreshControlMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXSKINCONTROL_REFRESHCONTROL");
    return id;
}

UINT SkinStringCommandMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXSTRCMD");
    return id;
}

UINT ListBoxItemChangedMessage()
{
    static const UINT id = RegisterWindowMessageW(L"HXLBM_ITEMCHANGED");
    return id;
}

UINT SliderPosChangeMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXCONSLIDER_POSCHANGE");
    return id;
}

UINT SliderPosChangeEndMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXCONSLIDER_POSCHANGE_END");
    return id;
}

UINT SliderPosScanningMessage()
{
    static const UINT id = RegisterWindowMessageW(L"WM_HXCONSLIDER_POSSCANNING");
    return id;
}
