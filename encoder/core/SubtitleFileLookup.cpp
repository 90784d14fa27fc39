#include "encoder/core/SubtitleFileLookup.h"

#include "foundation/PathHelpers.h"
#include "platform/win32/Folders.h"
#include "platform/win32/NativePath.h"

namespace {

// The existing file a path names, its name matched without regard to case
// when the exact spelling does not exist; empty when there is none.
CString ExistingFileNoCase(const CString& path)
{
    if (path.IsEmpty()) return CString();
    if (FileExists(path)) return path;
    std::string found = FindPathNoCaseFromCurrent(ToNativePath(path.str()));
    if (found.empty()) return CString();
    CString existing(FromNativePath(found));
    return FileExists(existing) ? existing : CString();
}

}  // namespace

CString FindSubtitleFile(const CString& source)
{
    static const wchar_t* const kExtensions[] = {L"rt",  L"smi", L"smil", L"srt", L"idx", L"sub",
                                                 L"rar", L"cap", L"ssa",  L"ass", L"txt"};
    for (const wchar_t* extension : kExtensions) {
        CString found = ExistingFileNoCase(ReplaceFileExtension(source, extension));
        if (!found.IsEmpty()) return found;
    }
    // Names written with hyphens for underscores and the other way round.
    // Only the file name changes: the folder is where the source is.
    CString sami = ReplaceFileExtension(source, L"smi");
    if (sami.IsEmpty()) return CString();
    CString folder = GetFolderPart(sami);
    CString name = sami.Mid(folder.GetLength());
    name.Replace(L'-', L'_');
    CString found = ExistingFileNoCase(folder + name);
    if (!found.IsEmpty()) return found;
    name.Replace(L'_', L'-');
    return ExistingFileNoCase(folder + name);
}
