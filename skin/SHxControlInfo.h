// What a control name of the skin stands for: a command id the host bound to
// it, or one of the host's native windows.
#pragma once

#include "platform/win32/WindowMessages.h"

struct SHxControlInfo {
    int kind = 0;           // 0 command binding, 1 native-window binding
    int id = 0;             // the command id or the native control's id
    int secondId = 0;       // "ID2"/"CID2"
    int command = 0;        // "CMD"
    int rightCommand = 0;   // "RCMD"
    HWND window = nullptr;  // kind 1
};
