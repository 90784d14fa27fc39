// The Windows Media runtime's two-call protocol for what it hands out: with
// a null buffer the size needed is stored (texts in characters, the NUL
// included; values in bytes); with a buffer, the count says its room, and
// ASF_E_BUFFERTOOSMALL (with the size needed) answers a buffer too small.
// E_POINTER without the count; E_UNEXPECTED when the count's type cannot
// hold the size.
#pragma once

#include <cstring>
#include <limits>
#include <string>

#include "platform/wmf/WmTypes.h"

template <class Count>
HRESULT CopyOutBytes(const void* data, size_t size, void* buffer, Count* count)
{
    if (!count) return E_POINTER;
    if (size > std::numeric_limits<Count>::max()) return E_UNEXPECTED;
    const Count needed = static_cast<Count>(size);
    if (buffer && *count < needed) {
        *count = needed;
        return ASF_E_BUFFERTOOSMALL;
    }
    if (buffer && size) std::memcpy(buffer, data, size);
    *count = needed;
    return S_OK;
}

template <class Count>
HRESULT CopyOutText(const std::wstring& text, WCHAR* buffer, Count* chars)
{
    if (!chars) return E_POINTER;
    const size_t needed = text.size() + 1;
    if (needed > std::numeric_limits<Count>::max()) return E_UNEXPECTED;
    if (buffer && *chars < needed) {
        *chars = static_cast<Count>(needed);
        return ASF_E_BUFFERTOOSMALL;
    }
    if (buffer) std::memcpy(buffer, text.c_str(), needed * sizeof(WCHAR));
    *chars = static_cast<Count>(needed);
    return S_OK;
}
