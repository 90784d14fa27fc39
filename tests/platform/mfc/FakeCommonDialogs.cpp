#include "FakeCommonDialogs.h"

FileDialogAnswer FakeCommonDialogs::ShowFileDialog(const FileDialogRequest& request)
{
    fileRequests.push_back(request);
    if (fileAnswers.empty()) return FileDialogAnswer{};
    FileDialogAnswer a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

std::optional<std::wstring> FakeCommonDialogs::PickFolder(const FolderDialogRequest& request)
{
    folderRequests.push_back(request);
    if (folderAnswers.empty()) return std::nullopt;
    auto a = folderAnswers.front();
    folderAnswers.pop_front();
    return a;
}

std::optional<COLORREF> FakeCommonDialogs::PickColor(ColorDialogRequest& request)
{
    colorRequests.push_back(request);
    if (colorAnswers.empty()) return std::nullopt;
    auto a = colorAnswers.front();
    colorAnswers.pop_front();
    return a;
}
