// A clipboard for tests: keeps the text in memory and every text set.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/mfc/Clipboard.h"

class FakeClipboard : public IClipboardService {
public:
    bool SetText(const std::wstring& text) override
    {
        content = text;
        history.push_back(text);
        return true;
    }
    std::optional<std::wstring> GetText() override { return content; }
    std::optional<std::wstring> content;
    std::vector<std::wstring> history;
};
