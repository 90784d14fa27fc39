#include "WindowMessages.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "CString.h"

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

struct Registry {
    std::mutex lock;
    std::unordered_map<std::wstring, UINT> ids;
    UINT next = kFirstRegisteredMessage;
};

// Built on first use, so message ids can be registered from static
// initialisers of any module.
Registry& MessageRegistry()
{
    static Registry registry;
    return registry;
}

struct PosterSlot {
    std::mutex lock;
    std::shared_ptr<const MessagePoster> poster;
};

PosterSlot& Poster()
{
    static PosterSlot slot;
    return slot;
}

}  // namespace

UINT RegisterWindowMessageW(const wchar_t* name)
{
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring key(name);
    for (wchar_t& c : key) c = ToUpperChar(c);
    Registry& r = MessageRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.ids.find(key);
    if (it != r.ids.end()) return it->second;
    if (r.next > kLastRegisteredMessage) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    UINT id = r.next++;
    r.ids.emplace(std::move(key), id);
    return id;
}

MessagePoster SetMessagePoster(MessagePoster poster)
{
    auto next = poster ? std::make_shared<const MessagePoster>(std::move(poster)) : nullptr;
    PosterSlot& slot = Poster();
    std::shared_ptr<const MessagePoster> previous;
    {
        std::lock_guard<std::mutex> guard(slot.lock);
        previous = std::exchange(slot.poster, std::move(next));
    }
    return previous ? *previous : MessagePoster();
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<const MessagePoster> poster;
    {
        PosterSlot& slot = Poster();
        std::lock_guard<std::mutex> guard(slot.lock);
        poster = slot.poster;
    }
    if (!poster) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // Called outside the lock: the poster may post again or replace itself.
    return (*poster)(window, message, wParam, lParam);
}
