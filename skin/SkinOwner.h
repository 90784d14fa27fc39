// What controls, fonts and region descriptions ask of the skin window that
// owns them: language and script texts, images, cursors, timers and the
// channel to the application. The skin window implements it; tests give a
// stand-in.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

class HDib;
class HXConBase;
class HXSubFont;

class SkinOwner {
public:
    virtual ~SkinOwner() = default;
    // A text that begins with "$", looked up in the skin's language section
    // or run as a script expression; the text itself when neither answers.
    virtual CString ResolveText(const CString& text) = 0;
    // The skin image of that name (loaded on first use), null when there is
    // none. The window keeps it.
    virtual HDib* GetImage(const CString& name) = 0;
    // The cursor of that name from the skin's definitions, null when none.
    virtual HCURSOR FindCursor(const CString& name) = 0;
    // The skin font of that name, null when the skin defines none.
    virtual HXSubFont* FindFont(const CString& name) = 0;
    // Runs a timer for (control, key); the control's OnTimer gets the key.
    virtual int SetControlTimer(HXConBase* control, int key, int interval) = 0;
    // "WM_HXSKIN_NOTIFY" to the host application; its answer.
    virtual LRESULT NotifyApplication(WPARAM code, LPARAM data) = 0;
};
