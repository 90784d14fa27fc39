// What a hosted Flash player tells the object that watches it: a movie's
// call to its host. The skin's Flash control hosts its player without one;
// a caller that wants the calls supplies it.
#pragma once

#include "platform/win32/CString.h"

class CFlashWnd;

class FlashListener {
public:
    virtual ~FlashListener() = default;
    virtual void FSCommand(CFlashWnd* host, const CString& command, const CString& arguments) = 0;
};
