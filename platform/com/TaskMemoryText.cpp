#include "platform/com/TaskMemoryText.h"

#include <cstring>

HRESULT CopyTextToTaskMemory(std::wstring_view text, LPOLESTR* copy)
{
    auto* block = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
    *copy = block;
    if (!block) return E_OUTOFMEMORY;
    if (!text.empty()) std::memcpy(block, text.data(), text.size() * sizeof(wchar_t));
    block[text.size()] = L'\0';
    return S_OK;
}
