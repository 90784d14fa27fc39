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
