#include "SubPicProviderImpl.h"

#include <limits>

CString SubColourCode(DWORD rgb) { return CString(FormatText(L"@@^%06x", rgb & 0xFFFFFFu)); }

CString SubColourCodeFromColorRef(DWORD colorRef)
{
    if (colorRef == 0xFFFFFFFFu) return SubColourCode(0xFFFFFF);
    DWORD rgb = (static_cast<DWORD>(GetRValue(colorRef)) << 16) | (static_cast<DWORD>(GetGValue(colorRef)) << 8) |
                GetBValue(colorRef);
    return SubColourCode(rgb);
}

ULONG ISubPicProviderImpl::AddRef()
{
    LONG count = ++m_refCount;
    return static_cast<ULONG>(count < 1 ? 1 : count);
}

ULONG ISubPicProviderImpl::Release()
{
    LONG count = --m_refCount;
    if (count == 0) {
        m_refCount = 1;  // a stray AddRef/Release pair in the destructor must not delete twice
        delete this;
        return 0;
    }
    return static_cast<ULONG>(count < 1 ? 1 : count);
}

HRESULT ISubPicProviderImpl::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_ISubPicProvider || riid == IID_IUnknown) {
        *object = static_cast<ISubPicProvider*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

int ISubPicProviderImpl::ToMilliseconds(REFERENCE_TIME t, REFERENCE_TIME offset)
{
    REFERENCE_TIME sum = 0;
    if (__builtin_add_overflow(t, offset, &sum))
        sum = offset > 0 ? std::numeric_limits<REFERENCE_TIME>::max() : std::numeric_limits<REFERENCE_TIME>::min();
    REFERENCE_TIME ms = sum / 10000;
    if (ms < 0) return 0;
    if (ms > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    return static_cast<int>(ms);
}
