// The picture-subtitle provider: a set of an ".idx" index, the ".sub"
// program stream with the DVD sub-picture units (also taken out of a ".rar"
// archive) and, for old index versions, the DVD ".ifo" with the palette. Up
// to 32 language streams of timed pictures, served through ISubPicProvider
// and chosen through ISubStream.
#pragma once

#include <cstdint>
#include <vector>

#include "SubPicProviderImpl.h"
#include "VobSubImage.h"
#include "VobSubSettings.h"
#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

// {53AEDFCB-8213-4EB0-8DE3-28282BC5A42C}
constexpr IID IID_ISubStream{0x53AEDFCB, 0x8213, 0x4EB0, {0x8D, 0xE3, 0x28, 0x28, 0x2B, 0xC5, 0xA4, 0x2C}};

// Choosing one of a provider's language streams. Streams are numbered over
// the languages that have pictures.
struct ISubStream : IUnknown {
    virtual int GetStreamCount() = 0;
    // The stream's name (task memory, CoTaskMemFree) and LCID (0); E_FAIL
    // for no such stream. Either out pointer may be null.
    virtual HRESULT GetStreamInfo(int stream, WCHAR** name, LCID* lcid) = 0;
    virtual int GetStream() = 0;
    virtual HRESULT SetStream(int stream) = 0;
};
RIVO_INTERFACE_ID(ISubStream, IID_ISubStream);

// Sizes of the program stream the set is read from.
constexpr int kVobSubBlockSize = 2048;
constexpr int kVobSubLanguageCount = 32;
// The largest .sub data a set may have, on disk or inside an archive.
constexpr int64_t kVobSubDataLimit = int64_t(1) << 30;
// Times further than this from zero are held at it (about 3,000 years), so
// that sums and the conversion to 100-ns units never overflow.
constexpr int64_t kVobSubTimeLimitMs = int64_t(100000000000000);

class CVobSubFile : public CVobSubSettings, public ISubPicProviderImpl, public ISubStream {
public:
    struct SubPos {
        int64_t filepos = 0;  // in the .sub data
        int64_t start = 0;    // ms
        int64_t stop = 0;     // ms
        BOOL forced = FALSE;
        BYTE vobid = 0;
        BYTE cellid = 0;
        int64_t celltimestamp = 0;
        BOOL valid = TRUE;
    };

    struct Language {
        WORD id = 0;  // first letter << 8 | second letter; 0 unused
        CString name;
        CString alt;
        CArray<SubPos> subpos;
    };

    CVobSubFile() = default;
    ~CVobSubFile() override;

    // Reads the set the path names (any of its files, or its base path).
    bool Open(const CString& path);
    // Reads a set from an index text and .sub data in memory (no .ifo: the
    // palette is the index's own).
    bool OpenFromMemory(const CString& indexText, std::vector<BYTE> subData);

    HRESULT QueryInterface(REFIID riid, void** object) override { return NonDelegatingQueryInterface(riid, object); }
    ULONG AddRef() override { return ISubPicProviderImpl::AddRef(); }
    ULONG Release() override { return ISubPicProviderImpl::Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // Positions are 1-based indexes into the current language's pictures.
    POSITION GetFirstPosition() override;
    POSITION GetLastPosition() override;
    POSITION GetNextPosition(POSITION pos) override;
    POSITION GetPrevPosition(POSITION pos) override;
    POSITION FindPosition(POSITION hint, REFERENCE_TIME t) override;
    int GetProviderKind() override { return kSubProviderPicture; }
    HRESULT GetPicture(POSITION pos, SubPicSurface* target, RECT* drawn) override;
    HRESULT GetStartTime(POSITION pos, REFERENCE_TIME* start) override;
    HRESULT GetDuration(POSITION pos, REFERENCE_TIME* duration) override;
    HRESULT SetTimeOffset(REFERENCE_TIME offset) override;
    REFERENCE_TIME GetTimeOffset() override;

    int GetStreamCount() override;
    HRESULT GetStreamInfo(int stream, WCHAR** name, LCID* lcid) override;
    int GetStream() override;
    HRESULT SetStream(int stream) override;

    // Reads the index text into the settings and languages; false at the
    // first line that is not understood.
    bool ParseVobSubIndex(const CString& text);
    bool ParseVobSubIndexFile(const CString& path);
    // The 16-colour palette of a DVD .ifo file.
    bool ReadIfoPalette(const CString& path);
    // The pack blocks at the start of a .sub file; false when it cannot be
    // opened (*opened false), is too large or has no pack block.
    bool ReadSubFile(const CString& path, bool* opened = nullptr);

    // The sub-picture unit of a picture (a language outside 0..31 means the
    // current one); false when its packets are missing or damaged.
    bool ReadPacket(int index, int language, std::vector<BYTE>* unit);
    // Decodes a picture into the image, or keeps the one decoded last. True
    // when a picture is ready to be shown.
    bool DecodePicture(int index, int language);
    // Draws a picture of the current language into a 32-bit target; true
    // with the drawn rectangle when it is not empty.
    bool Render(int index, SubPicSurface* target, RECT* drawn);

    int GetIndexVersion() const { return m_version; }
    int GetCurrentLanguage() const { return m_currentLanguage; }
    const Language& GetLanguage(int i) const { return m_languages[i]; }
    const CVobSubImage& GetImage() const { return m_image; }
    const std::vector<BYTE>& GetSubData() const { return m_subData; }

private:
    // One reading of an index text, with a reader for each key.
    struct IndexReader;

    // Empties everything the set read.
    void Reset();
    // Takes .sub data that begins with a pack block; false otherwise.
    bool SetSubData(std::vector<BYTE> data);
    // The stop times and forced flags from the pictures' control sequences.
    void ComputeStopTimes();
    CArray<SubPos>& Current() { return m_languages[m_currentLanguage].subpos; }
    // The 0-based index of a position of the current language, or -1.
    int IndexOf(POSITION pos);
    int LanguageOfStream(int stream) const;

    CString m_basePath;
    int m_version = 0;
    std::vector<BYTE> m_subData;
    int m_currentLanguage = 0;
    int m_cachedLanguage = -1;
    int m_cachedIndex = -1;
    Language m_languages[kVobSubLanguageCount];
    CVobSubImage m_image;
    REFERENCE_TIME m_timeOffset = 0;
};

// A new provider for the set, handed out without a reference for the
// caller; null when the set does not open.
ISubPicProvider* CreateVobSubProvider(const CString& path);
