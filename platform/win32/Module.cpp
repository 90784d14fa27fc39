#include "Module.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "CString.h"
#include "CodePage.h"
#include "Folders.h"
#include "NativePath.h"
#include "SystemModules.h"

namespace {

// Modules loaded through LoadLibraryW, by the loader's handle, with the count
// of loads not yet matched by FreeLibrary. The loader keeps its own count;
// this table lets stale or foreign handles fail instead of reaching it.
struct LoadedModule {
    std::string path;
    unsigned loads = 0;
};

std::mutex& TableLock()
{
    static std::mutex* const m = new std::mutex;
    return *m;
}

std::unordered_map<void*, LoadedModule>& Table()
{
    static auto* const t = new std::unordered_map<void*, LoadedModule>();
    return *t;
}

void* MainProgram()
{
    static void* const h = dlopen(nullptr, RTLD_NOW);
    return h;
}

link_map* LinkMapOf(void* handle)
{
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0) return nullptr;
    return map;
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// True for a handle from LoadLibraryW still loaded, or the main program's.
bool IsKnownHandle(void* h)
{
    if (h == MainProgram()) return true;
    std::lock_guard<std::mutex> g(TableLock());
    return Table().count(h) != 0;
}

}  // namespace

HMODULE LoadLibraryW(LPCWSTR fileName)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string native = ToNativePath(fileName);
    std::string target;
    if (native.find('/') == std::string::npos) {
        target = FindPathNoCase(GetProgramFolderNative(), native);
        if (target.empty()) {
            // System libraries the platform stands in for.
            if (const SystemModule* m = FindSystemModule(fileName)) {
                SetLastError(ERROR_SUCCESS);
                return reinterpret_cast<HMODULE>(const_cast<SystemModule*>(m));
            }
            target = native;
        }
    } else {
        target = FindPathNoCaseFromCurrent(native);
        if (target.empty()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
    }
    void* h = dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        dlerror();  // clear it: the loader's text is not for users
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::string loadedPath = target;
    if (link_map* map = LinkMapOf(h); map && map->l_name && *map->l_name) loadedPath = map->l_name;
    {
        std::lock_guard<std::mutex> g(TableLock());
        LoadedModule& m = Table()[h];
        if (m.loads++ == 0) m.path = loadedPath;
    }
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HMODULE>(h);
}

BOOL FreeLibrary(HMODULE module)
{
    void* h = module;
    if (IsSystemModule(h)) return TRUE;  // stand-ins stay for the whole run
    {
        std::lock_guard<std::mutex> g(TableLock());
        auto it = Table().find(h);
        if (it == Table().end()) {
            if (h && h == MainProgram()) return TRUE;  // the program is never unloaded
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (--it->second.loads == 0) Table().erase(it);
    }
    // Outside the lock: the module's own clean-up may load or free modules.
    dlclose(h);
    return TRUE;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    void* h = module;
    if (IsSystemModule(h)) {
        const auto* m = static_cast<const SystemModule*>(h);
        if (reinterpret_cast<uintptr_t>(procName) > 0xFFFF)
            for (size_t i = 0; i < m->exportCount; ++i)
                if (std::strcmp(m->exports[i].name, procName) == 0) return m->exports[i].proc;
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    if (!h || !IsKnownHandle(h)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // A "name" below 0x10000 is an ordinal number, which modules here lack.
    if (reinterpret_cast<uintptr_t>(procName) <= 0xFFFF || !*procName) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    dlerror();
    void* sym = dlsym(h, procName);
    // The loader also searches the libraries the module depends on; only the
    // module's own exports count.
    Dl_info info;
    link_map* owner = nullptr;
    if (!sym || !dladdr1(sym, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) || owner != LinkMapOf(h)) {
        dlerror();
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(sym);
}

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    if (!moduleName) return reinterpret_cast<HMODULE>(MainProgram());
    std::string native = ToNativePath(moduleName);
    const bool byPath = native.find('/') != std::string::npos;
    std::string wantedPath = byPath ? FindPathNoCaseFromCurrent(native) : std::string();
    std::wstring wantedName = Utf8ToWide(native);
    if (!native.empty() && (!byPath || !wantedPath.empty())) {
        std::lock_guard<std::mutex> g(TableLock());
        for (const auto& [h, m] : Table()) {
            bool match =
                byPath ? SameFile(m.path, wantedPath) : CompareNoCase(Utf8ToWide(FileNameOf(m.path)), wantedName) == 0;
            if (match) return reinterpret_cast<HMODULE>(h);
        }
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}
