// The SAMI subtitle provider: the entry lists of a SAMI file, one per
// language class, served for the chosen language or all stacked.
#pragma once

#include "SamPa2.h"
#include "SubPicProviderImpl.h"

// {53AEDFDB-8213-4EB0-8DE3-28282BC5A42C}
inline constexpr IID IID_ISamiLanguage{0x53AEDFDB, 0x8213, 0x4EB0, {0x8D, 0xE3, 0x28, 0x28, 0x2B, 0xC5, 0xA4, 0x2C}};

struct ISamiLanguage : IUnknown {
    virtual int GetLanguageCount() = 0;
    // The LCID of class number index (0 .. count-1); 0 outside that range.
    virtual LCID GetLanguageId(int index) = 0;
    // A non-zero LCID with a class selects it; otherwise the only class, or
    // all classes combined (0). S_OK.
    virtual HRESULT SetLanguage(LCID lcid) = 0;
    virtual LCID GetLanguage() = 0;
    // 1 when entries exist for the LCID (for 0: in any class), else 0.
    virtual BOOL HasLanguage(LCID lcid) = 0;
};
RIVO_INTERFACE_ID(ISamiLanguage, IID_ISamiLanguage);

class CSamiFile : public ISubPicProviderImpl, public ISamiLanguage {
public:
    CSamiFile() = default;

    // Reads the file; false when it cannot be read or has no entry.
    bool Load(const CString& path, int defaultColor, int lineJoinMode, int codePage);

    HRESULT QueryInterface(REFIID riid, void** object) override { return NonDelegatingQueryInterface(riid, object); }
    ULONG AddRef() override { return ISubPicProviderImpl::AddRef(); }
    ULONG Release() override { return ISubPicProviderImpl::Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    POSITION GetFirstPosition() override;
    POSITION GetLastPosition() override;
    POSITION GetNextPosition(POSITION pos) override;
    POSITION GetPrevPosition(POSITION pos) override;
    POSITION FindPosition(POSITION hint, REFERENCE_TIME t) override;
    HRESULT GetText(POSITION pos, const wchar_t** text) override;
    HRESULT GetStartTime(POSITION pos, REFERENCE_TIME* start) override;
    HRESULT SetTimeOffset(REFERENCE_TIME offset) override;
    REFERENCE_TIME GetTimeOffset() override;

    int GetLanguageCount() override;
    LCID GetLanguageId(int index) override;
    HRESULT SetLanguage(LCID lcid) override;
    LCID GetLanguage() override;
    BOOL HasLanguage(LCID lcid) override;

    const CSamPa2& Parser() const { return m_parser; }

private:
    using EntryList = CList<CSamPa2::SSubText*>;
    // The list of the current language, cached until the language changes.
    EntryList* CurrentList();
    // The entry after (or before) pos in the current list; the first entry
    // when the list was not chosen yet or its language changed since.
    POSITION Step(POSITION pos, bool forward);

    CSamPa2 m_parser;
    REFERENCE_TIME m_offset = 0;
    LCID m_language = 0;
    EntryList* m_cached = nullptr;
    bool m_restart = false;
};

// A new SAMI provider for the file, handed out without a reference for the
// caller; null when params is null or the file does not load.
ISubPicProvider* CreateSamiProvider(const CString& path, const SubtitleOpenParams* params);
