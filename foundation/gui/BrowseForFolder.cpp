#include "BrowseForFolder.h"

#include "platform/mfc/CommonDialogs.h"

CString BrowseForFolder(HWND owner, const CString& startFolder, const CString& title)
{
    FolderDialogRequest request;
    request.owner = owner;
    request.title = title.str();
    request.startFolder = startFolder.str();
    std::optional<std::wstring> chosen = CommonDialogs().PickFolder(request);
    if (!chosen || chosen->empty()) return CString();
    std::wstring folder = *chosen;
    while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\')) folder.pop_back();
    return CString(folder);
}
