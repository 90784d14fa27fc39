// Common dialogs for tests: answers from lists (a cancel once a list is used
// up) and keeps every request.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/mfc/CommonDialogs.h"

class FakeCommonDialogs : public ICommonDialogs {
public:
    FileDialogAnswer ShowFileDialog(const FileDialogRequest& request) override;
    std::optional<std::wstring> PickFolder(const FolderDialogRequest& request) override;
    std::optional<COLORREF> PickColor(ColorDialogRequest& request) override;

    std::deque<FileDialogAnswer> fileAnswers;
    std::deque<std::optional<std::wstring>> folderAnswers;
    std::deque<std::optional<COLORREF>> colorAnswers;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<FolderDialogRequest> folderRequests;
    std::vector<ColorDialogRequest> colorRequests;
};
