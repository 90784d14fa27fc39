// The clipboard as a replaceable service: the edit controls' copy, cut and
// paste go through it. By default the desktop's clipboard (Qt); tests
// install a recording fake.
#pragma once

#include <optional>
#include <string>
#include <vector>

class IClipboardService {
public:
    virtual ~IClipboardService() = default;
    virtual bool SetText(const std::wstring& text) = 0;
    // Nothing when the clipboard holds no text.
    virtual std::optional<std::wstring> GetText() = 0;
};

// Keeps the text in memory and every text set.
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

// Installs a service (not owned); null restores the desktop's clipboard.
void SetClipboardService(IClipboardService* service);
IClipboardService& ClipboardService();
