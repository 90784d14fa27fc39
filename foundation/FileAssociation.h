// Registering a file type and pointing an extension at it, with a backup of
// the association it replaces. The type key is the prefix directly followed by
// the extension ("RivoEncoder" + ".rvp"); every value is written as ANSI text.
#pragma once

#include "platform/win32/CString.h"

bool RegisterFileType(const CString& prefix, const CString& extension, const CString& description,
                      const CString& iconText, const CString& openCommand, bool editFlags);
bool SetFileAssociation(const CString& prefix, const CString& extension);
bool RestoreFileAssociation(const CString& prefix, const CString& extension);
