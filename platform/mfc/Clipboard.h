// The clipboard as a replaceable service: the edit controls' copy, cut and
// paste go through it. By default the desktop's clipboard (Qt); tests
// install one of their own.
#pragma once

#include <optional>
#include <string>

class IClipboardService {
public:
    virtual ~IClipboardService() = default;
    virtual bool SetText(const std::wstring& text) = 0;
    // Nothing when the clipboard holds no text.
    virtual std::optional<std::wstring> GetText() = 0;
};

// Installs a service (not owned); null restores the desktop's clipboard.
void SetClipboardService(IClipboardService* service);
IClipboardService& ClipboardService();
