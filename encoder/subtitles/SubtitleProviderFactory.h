// The one way a subtitle file is opened: the picture reader gets the first
// try, then the text readers by what the file looks like, and the SAMI
// reader takes whatever no other reader claims.
#pragma once

#include "modules/api/SubPicProvider.h"
#include "platform/win32/CString.h"

// S_OK with the reader's provider in *provider (handed out without a
// reference for the caller: it takes its own with AddRef); E_FAIL with null
// when no reader accepts the file; E_POINTER for a null out pointer. Nothing
// is cached: every call reads the file anew.
HRESULT OpenSubtitleProvider(ISubPicProvider** provider, const CString& path, const SubtitleOpenParams* params);
