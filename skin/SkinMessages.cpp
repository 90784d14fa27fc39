#include "skin/SkinMessages.h"

#include "platform/win32/WindowMessages.h"

// Each message is registered by its name on first use; the id is the same
// for the whole process.
#define RIVO_SKIN_MESSAGE(Function, name)                    \
    UINT Function()                                          \
    {                                                        \
        static const UINT id = RegisterWindowMessageW(name); \
        return id;                                           \
    }

RIVO_SKIN_MESSAGE(SkinNotifyMessage, L"WM_HXSKIN_NOTIFY")
RIVO_SKIN_MESSAGE(SkinControlNotifyMessage, L"WM_HXSKINCONTROL_NOTIFY")
RIVO_SKIN_MESSAGE(SkinInvalidControlMessage, L"WM_HXSKINCONTROL_INVALIDCONTROL")
RIVO_SKIN_MESSAGE(SkinRefreshControlMessage, L"WM_HXSKINCONTROL_REFRESHCONTROL")
RIVO_SKIN_MESSAGE(SkinStringCommandMessage, L"WM_HXSTRCMD")
RIVO_SKIN_MESSAGE(ListBoxItemChangedMessage, L"HXLBM_ITEMCHANGED")
RIVO_SKIN_MESSAGE(SliderPosChangeMessage, L"WM_HXCONSLIDER_POSCHANGE")
RIVO_SKIN_MESSAGE(SliderPosChangeEndMessage, L"WM_HXCONSLIDER_POSCHANGE_END")
RIVO_SKIN_MESSAGE(SliderPosScanningMessage, L"WM_HXCONSLIDER_POSSCANNING")

#undef RIVO_SKIN_MESSAGE
