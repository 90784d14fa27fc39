#include "VobSubFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "VobSubRar.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"
#include "platform/win32/ByteOrder.h"
#include "platform/win32/Files.h"

namespace {

bool IsPackHeader(const BYTE* b) { return b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0xBA; }

POSITION ToPosition(int oneBased) { return reinterpret_cast<POSITION>(static_cast<uintptr_t>(oneBased)); }

class HandleCloser {
public:
    explicit HandleCloser(HANDLE h) : m_h(h) {}
    ~HandleCloser()
    {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;

private:
    HANDLE m_h;
};

// Reads exactly count bytes at pos; false when fewer come.
bool ReadAt(HANDLE file, int64_t pos, BYTE* buffer, DWORD count)
{
    LARGE_INTEGER at{};
    at.QuadPart = pos;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
    DWORD done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, count - done, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

// Up to count bytes from the current position; the number read, -1 on error.
int64_t ReadSome(HANDLE file, BYTE* buffer, DWORD count)
{
    DWORD done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(file, buffer + done, count - done, &got, nullptr)) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

int ClampToByte(double v)
{
    if (!(v > 0)) return 0;
    if (v > 255) return 255;
    return static_cast<int>(v);
}

}  // namespace

ISubPicProvider* CreateVobSubProvider(const CString& path)
{
    auto* file = new (std::nothrow) CVobSubFile;
    if (!file) return nullptr;
    if (!file->Open(path)) {
        delete file;
        return nullptr;
    }
    return static_cast<ISubPicProvider*>(file);
}

CVobSubFile::~CVobSubFile() { Reset(); }

void CVobSubFile::Reset()
{
    InitSettings();
    m_basePath.Empty();
    m_version = 0;
    m_subData.clear();
    m_subData.shrink_to_fit();
    m_currentLanguage = 0;
    m_cachedLanguage = m_cachedIndex = -1;
    for (Language& language : m_languages) {
        language.id = 0;
        language.name.Empty();
        language.alt.Empty();
        language.subpos.RemoveAll();
    }
}

HRESULT CVobSubFile::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_ISubStream) {
        *object = static_cast<ISubStream*>(this);
        AddRef();
        return S_OK;
    }
    return ISubPicProviderImpl::NonDelegatingQueryInterface(riid, object);
}

// ---- Opening -------------------------------------------------------------------

bool CVobSubFile::Open(const CString& path)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    CString base = path;
    int dot = base.ReverseFind(L'.');
    if (dot >= 0) {
        CString extension = base.Mid(dot);
        extension.MakeLower();
        for (const wchar_t* known : {L".ifo", L".idx", L".sub", L".sst", L".son", L".rar"}) {
            if (extension == known) {
                base = base.Left(dot);
                break;
            }
        }
    }
    Reset();
    bool ok = ParseVobSubIndexFile(base + L".idx") && (m_version >= 6 || ReadIfoPalette(base + L".ifo"));
    if (ok) {
        bool opened = false;
        ok = ReadSubFile(base + L".sub", &opened);
        if (!ok && !opened) {
            std::vector<BYTE> data;
            ok = OpenVobSubRar(base + L".rar", &data) && SetSubData(std::move(data));
        }
    }
    if (!ok) {
        Reset();
        return false;
    }
    m_basePath = base;
    ComputeStopTimes();
    return true;
}

bool CVobSubFile::OpenFromMemory(const CString& indexText, std::vector<BYTE> subData)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    Reset();
    if (!ParseVobSubIndex(indexText) || !SetSubData(std::move(subData))) {
        Reset();
        return false;
    }
    ComputeStopTimes();
    return true;
}

bool CVobSubFile::SetSubData(std::vector<BYTE> data)
{
    // The data are the pack blocks at their start; whatever follows the
    // first block that is not a pack is not part of the stream.
    size_t end = 0;
    while (end + 4 <= data.size() && IsPackHeader(data.data() + end)) end += kVobSubBlockSize;
    end = std::min(end, data.size());
    if (end == 0) return false;
    data.resize(end);
    m_subData = std::move(data);
    m_cachedLanguage = m_cachedIndex = -1;
    return true;
}

bool CVobSubFile::ReadSubFile(const CString& path, bool* opened)
{
    if (opened) *opened = false;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HandleCloser closer(file);
    if (opened) *opened = true;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > kVobSubDataLimit) return false;
    std::vector<BYTE> data;
    try {
        data.reserve(static_cast<size_t>(size.QuadPart));
        BYTE block[kVobSubBlockSize];
        for (;;) {
            int64_t got = ReadSome(file, block, kVobSubBlockSize);
            if (got < 4 || !IsPackHeader(block)) break;
            data.insert(data.end(), block, block + got);
            if (got < kVobSubBlockSize || static_cast<int64_t>(data.size()) >= kVobSubDataLimit) break;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return SetSubData(std::move(data));
}

bool CVobSubFile::ReadIfoPalette(const CString& path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HandleCloser closer(file);
    BYTE word[4];
    if (!ReadAt(file, 204, word, 4)) return false;
    const int64_t table = static_cast<int64_t>(LoadBE32(word)) * 2048;
    if (!ReadAt(file, table + 12, word, 4)) return false;
    const int64_t entries = table + LoadBE32(word) + 164;
    BYTE raw[16 * 4];
    if (!ReadAt(file, entries, raw, sizeof(raw))) return false;
    for (int i = 0; i < 16; ++i) {
        const int y = raw[i * 4 + 1];
        const int cr = raw[i * 4 + 2];
        const int cb = raw[i * 4 + 3];
        const double luma = std::clamp(255 * (y - 16) / 219, 0, 255);
        const int r = ClampToByte(luma + 1.4022 * (cr - 128));
        const int g = ClampToByte(luma - 0.3456 * (cb - 128) - 0.7145 * (cr - 128));
        const int b = ClampToByte(luma + 1.771 * (cb - 128));
        m_palette[i] = (static_cast<DWORD>(r) << 16) | (static_cast<DWORD>(g) << 8) | static_cast<DWORD>(b);
    }
    return true;
}

void CVobSubFile::ComputeStopTimes()
{
    CVobSubImage control;
    std::vector<BYTE> unit;
    for (int language = 0; language < kVobSubLanguageCount; ++language) {
        CArray<SubPos>& list = m_languages[language].subpos;
        const int count = list.GetSize();
        for (int i = 0; i < count; ++i) {
            SubPos& sp = list[i];
            sp.stop = sp.start;
            sp.forced = FALSE;
            if (!ReadPacket(i, language, &unit)) continue;
            const bool last = i == count - 1;
            const int64_t gap = last ? 0 : list[i + 1].start - sp.start;
            int64_t duration = last ? 3000 : gap;
            control.ParseControl(unit.data(), static_cast<int>(unit.size()), LoadBE16(unit.data() + 2));
            if (control.m_hasStop) duration = control.m_stopDelayMs;
            if (!last) duration = std::min(duration, gap);
            sp.stop = std::clamp(sp.start + duration, -kVobSubTimeLimitMs, kVobSubTimeLimitMs);
            sp.forced = control.m_forced ? TRUE : FALSE;
            if (i > 0 && list[i - 1].stop > sp.start) list[i - 1].stop = sp.start;
        }
    }
}

// ---- Packets ---------------------------------------------------------------------

bool CVobSubFile::ReadPacket(int index, int language, std::vector<BYTE>* unit)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    unit->clear();
    if (language < 0 || language >= kVobSubLanguageCount) language = m_currentLanguage;
    const CArray<SubPos>& list = m_languages[language].subpos;
    if (index < 0 || index >= list.GetSize()) return false;
    const int64_t dataSize = static_cast<int64_t>(m_subData.size());
    int64_t pos = list[index].filepos;
    if (pos < 0 || pos > dataSize - kVobSubBlockSize) return false;

    const BYTE* block = m_subData.data() + pos;
    if (!IsPackHeader(block) || block[14] != 0 || block[15] != 0 || block[16] != 1 || block[17] != 0xBD ||
        !(block[21] & 0x80) || (block[23] & 0xF0) != 0x20)
        return false;
    int payload = 23 + block[22];
    // The sub-stream id, the unit's size and its control offset.
    if (payload + 5 > kVobSubBlockSize) return false;
    const BYTE streamId = block[payload];
    if ((streamId & 0xE0) != 0x20 || (streamId & 0x1F) != language) return false;
    const size_t size = static_cast<size_t>(LoadBE16(block + payload + 1));
    if (size < 4) return false;

    unit->reserve(size);
    auto take = [&](const BYTE* b, int from) {
        size_t n = std::min(static_cast<size_t>(kVobSubBlockSize - from), size - unit->size());
        unit->insert(unit->end(), b + from, b + from + n);
    };
    take(block, payload + 1);
    pos += kVobSubBlockSize;
    while (unit->size() < size) {
        if (pos > dataSize - kVobSubBlockSize) return false;  // a partial unit at the end
        block = m_subData.data() + pos;
        pos += kVobSubBlockSize;
        payload = 23 + block[22];
        if (payload + 1 >= kVobSubBlockSize || block[payload] != streamId) continue;
        take(block, payload + 1);
    }
    return unit->size() == size;
}

// ---- ISubPicProvider -----------------------------------------------------------------

int CVobSubFile::IndexOf(POSITION pos)
{
    const uintptr_t n = reinterpret_cast<uintptr_t>(pos);
    if (n == 0 || n > static_cast<uintptr_t>(Current().GetSize())) return -1;
    return static_cast<int>(n) - 1;
}

POSITION CVobSubFile::GetFirstPosition()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return ToPosition(Current().IsEmpty() ? 0 : 1);
}

POSITION CVobSubFile::GetLastPosition()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return ToPosition(Current().GetSize());
}

POSITION CVobSubFile::GetNextPosition(POSITION pos)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    const int i = IndexOf(pos);
    return ToPosition(i >= 0 && i + 1 < Current().GetSize() ? i + 2 : 0);
}

POSITION CVobSubFile::GetPrevPosition(POSITION pos)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    const int i = IndexOf(pos);
    return ToPosition(i > 0 ? i : 0);
}

POSITION CVobSubFile::FindPosition(POSITION hint, REFERENCE_TIME t)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    const int64_t ms = ToMilliseconds(t, m_timeOffset);
    const CArray<SubPos>& list = Current();
    const int count = list.GetSize();
    // A hint past the end starts the scan at the last picture.
    const int from = static_cast<int>(std::min<uintptr_t>(reinterpret_cast<uintptr_t>(hint), count));
    auto scan = [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            if (list[i].start > ms) break;
            if (ms < list[i].stop) return i + 1;
        }
        return 0;
    };
    int found = scan(from > 0 ? from - 1 : 0, count);
    if (!found && from > 1) found = scan(0, from - 1);
    return ToPosition(found);
}

HRESULT CVobSubFile::GetPicture(POSITION pos, SubPicSurface* target, RECT* drawn)
{
    if (!drawn) return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    *drawn = RECT{};
    if (!pos) return S_FALSE;
    const int i = IndexOf(pos);
    if (i < 0) return E_INVALIDARG;
    return Render(i, target, drawn) ? S_OK : E_FAIL;
}

HRESULT CVobSubFile::GetStartTime(POSITION pos, REFERENCE_TIME* start)
{
    if (!start) return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!pos) return E_FAIL;
    const int i = IndexOf(pos);
    if (i < 0) return E_INVALIDARG;
    *start = Current()[i].start * 10000;
    return S_OK;
}

HRESULT CVobSubFile::GetDuration(POSITION pos, REFERENCE_TIME* duration)
{
    if (!duration) return E_POINTER;
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (!pos) return E_FAIL;
    const int i = IndexOf(pos);
    if (i < 0) return E_INVALIDARG;
    *duration = (Current()[i].stop - Current()[i].start) * 10000;
    return S_OK;
}

HRESULT CVobSubFile::SetTimeOffset(REFERENCE_TIME offset)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    m_timeOffset = offset;
    return S_OK;
}

REFERENCE_TIME CVobSubFile::GetTimeOffset()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return m_timeOffset;
}

// ---- ISubStream ---------------------------------------------------------------------

int CVobSubFile::LanguageOfStream(int stream) const
{
    if (stream < 0) return -1;
    for (int i = 0; i < kVobSubLanguageCount; ++i) {
        if (m_languages[i].subpos.IsEmpty()) continue;
        if (stream-- == 0) return i;
    }
    return -1;
}

int CVobSubFile::GetStreamCount()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    return static_cast<int>(std::count_if(std::begin(m_languages), std::end(m_languages),
                                          [](const Language& l) { return !l.subpos.IsEmpty(); }));
}

HRESULT CVobSubFile::GetStreamInfo(int stream, WCHAR** name, LCID* lcid)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    const int language = LanguageOfStream(stream);
    if (language < 0) return E_FAIL;
    if (name) {
        const CString& text = m_languages[language].alt;
        HRESULT hr = CopyTextToTaskMemory({text.GetString(), static_cast<size_t>(text.GetLength())}, name);
        if (FAILED(hr)) return hr;
    }
    if (lcid) *lcid = 0;
    return S_OK;
}

int CVobSubFile::GetStream()
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    int stream = 0;
    for (int i = 0; i < m_currentLanguage; ++i)
        if (!m_languages[i].subpos.IsEmpty()) ++stream;
    return stream;
}

HRESULT CVobSubFile::SetStream(int stream)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    const int language = LanguageOfStream(stream);
    if (language < 0) return E_FAIL;
    m_currentLanguage = language;
    m_cachedLanguage = m_cachedIndex = -1;
    return S_OK;
}
