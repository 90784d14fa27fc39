// The base of every subtitle provider: reference counting (the count starts
// at 0, so a new provider is handed out without a reference for the
// caller), the object's lock and time offset, the defaults of the
// interface, and the time walk that the text providers share.
#pragma once

#include <atomic>
#include <mutex>

#include "modules/api/SubPicProvider.h"
#include "platform/win32/DebugOutput.h"

// The colour code for a 0xRRGGBB value. "No colour" (-1) and values beyond
// 24 bits are written with their low 24 bits, so a code always has exactly
// six digits.
CString SubColourCode(DWORD rgb);
// The colour code for a COLORREF (0x00BBGGRR); -1 means white.
CString SubColourCodeFromColorRef(DWORD colorRef);

class ISubPicProviderImpl : public ISubPicProvider {
public:
    ISubPicProviderImpl() = default;
    ISubPicProviderImpl(const ISubPicProviderImpl&) = delete;
    ISubPicProviderImpl& operator=(const ISubPicProviderImpl&) = delete;
    virtual ~ISubPicProviderImpl() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override { return NonDelegatingQueryInterface(riid, object); }
    // The new count, never less than 1.
    ULONG AddRef() override;
    // The new count (never less than 1); at 0 the object is deleted and 0
    // comes back.
    ULONG Release() override;
    // Answers ISubPicProvider and IUnknown; subclasses put their own
    // interfaces in front.
    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** object);

    int GetProviderKind() override { return kSubProviderText; }
    HRESULT GetText(POSITION, const wchar_t**) override { return RIVO_NOT_IMPLEMENTED(); }
    HRESULT GetPicture(POSITION, SubPicSurface*, RECT*) override { return RIVO_NOT_IMPLEMENTED(); }
    HRESULT GetDuration(POSITION, REFERENCE_TIME*) override { return RIVO_NOT_IMPLEMENTED(); }

    // Milliseconds for a media time: (t + offset) / 10000, truncated; below 0
    // gives 0, beyond the 32-bit range the largest value.
    static int ToMilliseconds(REFERENCE_TIME t, REFERENCE_TIME offset);
    static REFERENCE_TIME FromMilliseconds(int ms) { return static_cast<REFERENCE_TIME>(ms) * 10000; }

protected:
    // The object's critical section: the streaming thread queries while the
    // user-interface thread may change a selection; re-entrant, as a
    // critical section is.
    std::recursive_mutex m_lock;

private:
    std::atomic<LONG> m_refCount{0};
};

// The shared walk of the text providers: the entry of a list of records
// with an int `nStart` (ms) that shows at ms, starting from the hint (or the
// first entry when the hint is null). Entries last until the next starts.
template <class LIST>
POSITION FindTimedPosition(LIST& list, POSITION hint, int ms)
{
    if (list.IsEmpty()) return nullptr;
    POSITION start = hint ? hint : list.GetHeadPosition();
    auto startOf = [&](POSITION p) { return list.GetAt(p)->nStart; };
    if (ms >= startOf(start)) {
        POSITION node = start;
        for (;;) {
            POSITION after = node;
            list.GetNext(after);
            if (after && ms >= startOf(after)) {
                node = after;
                continue;
            }
            return node;
        }
    }
    POSITION after = start;
    POSITION p = start;
    list.GetPrev(p);
    while (p) {
        if (startOf(p) <= ms && ms < startOf(after)) return p;
        after = p;
        list.GetPrev(p);
    }
    return nullptr;
}
