#include "VobSubRar.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "VobSubFile.h"
#include "modules/api/UnrarApi.h"
#include "platform/win32/Module.h"

namespace {

// The entry being read. The data callback carries no context of its own, and
// the module calls it on the thread that asked for the entry.
struct EntrySink {
    std::vector<BYTE>* data;
    uint64_t size;  // the entry's stated size: nothing beyond it is kept
};
thread_local EntrySink* t_sink = nullptr;

int OnEntryData(unsigned char* block, int size)
{
    EntrySink* sink = t_sink;
    if (!sink || !block || size <= 0) return 1;
    const uint64_t room = sink->size - std::min<uint64_t>(sink->size, sink->data->size());
    const size_t n = static_cast<size_t>(std::min<uint64_t>(room, static_cast<uint64_t>(size)));
    try {
        sink->data->insert(sink->data->end(), block, block + n);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

class Library {
public:
    explicit Library(const wchar_t* name) : m_module(LoadLibraryW(name)) {}
    ~Library()
    {
        if (m_module) FreeLibrary(m_module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    template <class F>
    F Get(const char* name) const
    {
        return m_module ? reinterpret_cast<F>(GetProcAddress(m_module, name)) : nullptr;
    }

private:
    HMODULE m_module;
};

// The path in the C library's multibyte form; empty when it has none.
std::string NarrowName(const CString& path)
{
    size_t needed = std::wcstombs(nullptr, path.GetString(), 0);
    if (needed == static_cast<size_t>(-1)) return std::string();
    std::string narrow(needed, '\0');
    std::wcstombs(narrow.data(), path.GetString(), needed);
    return narrow;
}

bool EndsWithSub(const wchar_t* name)
{
    CString text(name);
    return text.GetLength() >= 4 && text.Right(4).CompareNoCase(L".sub") == 0;
}

}  // namespace

bool OpenVobSubRar(const CString& path, std::vector<BYTE>* data)
{
    data->clear();
    Library unrar(L"unrar.dll");
    auto openArchive = unrar.Get<RAROpenArchiveExProc>("RAROpenArchiveEx");
    auto closeArchive = unrar.Get<RARCloseArchiveProc>("RARCloseArchive");
    auto readHeader = unrar.Get<RARReadHeaderExProc>("RARReadHeaderEx");
    auto processFile = unrar.Get<RARProcessFileProc>("RARProcessFile");
    auto setChangeVolProc = unrar.Get<RARSetChangeVolProcProc>("RARSetChangeVolProc");
    auto setProcessDataProc = unrar.Get<RARSetProcessDataProcProc>("RARSetProcessDataProc");
    auto setPassword = unrar.Get<RARSetPasswordProc>("RARSetPassword");
    if (!openArchive || !closeArchive || !readHeader || !processFile || !setChangeVolProc || !setProcessDataProc ||
        !setPassword)
        return false;

    std::string narrowName = NarrowName(path);
    std::wstring wideName = path.str();
    RAROpenArchiveDataEx open{};
    open.ArcName = narrowName.data();
    open.ArcNameW = wideName.data();
    open.OpenMode = RAR_OM_EXTRACT;
    HANDLE archive = openArchive(&open);
    if (!archive) return false;
    setProcessDataProc(archive, OnEntryData);

    bool found = false;
    auto header = std::make_unique<RARHeaderDataEx>();
    while (readHeader(archive, header.get()) == ERAR_SUCCESS) {
        header->FileNameW[std::size(header->FileNameW) - 1] = 0;
        if (!EndsWithSub(header->FileNameW)) {
            if (processFile(archive, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS) break;
            continue;
        }
        const uint64_t size = header->UnpSize | (static_cast<uint64_t>(header->UnpSizeHigh) << 32);
        if (size > static_cast<uint64_t>(kVobSubDataLimit)) break;
        try {
            // The stated size is not trusted for memory up front.
            data->reserve(static_cast<size_t>(std::min<uint64_t>(size, 64u << 20)));
        } catch (const std::bad_alloc&) {
            break;
        }
        EntrySink sink{data, size};
        t_sink = &sink;
        const int result = processFile(archive, RAR_TEST, nullptr, nullptr);
        t_sink = nullptr;
        found = result == ERAR_SUCCESS && data->size() == size;
        break;
    }
    closeArchive(archive);
    if (!found) data->clear();
    return found;
}
