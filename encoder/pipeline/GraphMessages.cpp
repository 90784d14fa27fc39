#include "encoder/pipeline/GraphMessages.h"

const SGraphMessages& GetGraphMessages()
{
    static const SGraphMessages messages{
        RegisterWindowMessageW(L"WM_GRAPHNOTIFY"),          RegisterWindowMessageW(L"WM_RIVO_PLAYBACK_STATE"),
        RegisterWindowMessageW(L"WM_RIVO_PLAYBACK_READY"),  RegisterWindowMessageW(L"WM_RIVO_PLAYBACK_EOF"),
        RegisterWindowMessageW(L"WM_RIVO_PLAYBACK_CLOSED"), RegisterWindowMessageW(L"WM_RIVO_ERROR"),
    };
    return messages;
}
