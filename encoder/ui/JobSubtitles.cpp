#include "encoder/ui/JobSubtitles.h"

#include "encoder/pipeline/AsfFormat.h"
#include "platform/win32/Files.h"

bool IsWindowsMediaSourceType(SourceTypeCode code) { return code == kSourceAsf || code == kSourceAsfNoIndex; }

bool LoadWindowsMediaCaptions(const CString& sourcePath, const std::function<void(const CString&)>& load)
{
    CAsfFormat asf;
    if (!asf.Open(sourcePath) || asf.Commands().empty()) return false;
    // Never a fixed name in a shared folder: another user could have put a
    // file, or a link, there first.
    CString sami = asf.ExportCommandsToTemporarySami();
    if (sami.IsEmpty()) return false;
    load(sami);
    DeleteFileW(sami);
    return true;
}
