// The resources of the RivoReader program beside its dialogs: the window
// icon. RegisterReaderAppResources registers them and the dialogs.
#pragma once

#include "platform/win32/WinTypes.h"

enum : WORD {
    IDI_RIVOREADER = 135,
};

void RegisterReaderAppResources();
