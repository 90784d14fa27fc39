// The .sub data of a picture-subtitle set packed in a RAR archive, read
// through the archive module "unrar.dll".
#pragma once

#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// The first entry whose name ends in ".sub" (without regard to case). False
// when the module or one of its functions is missing, the archive does not
// open, it has no such entry, the entry claims more than the set limit, or
// its data do not arrive whole.
bool OpenVobSubRar(const CString& path, std::vector<BYTE>* data);
