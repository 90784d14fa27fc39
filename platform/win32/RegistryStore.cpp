#include "RegistryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>

#include "CString.h"
#include "ExclusiveFileLock.h"
#include "NativePath.h"
#include "RegistryFileFormat.h"
#include "RegistryKey.h"
#include "ShellFolderKeys.h"
#include "XdgFolders.h"

namespace {

// A store file larger than this is not loaded (and not overwritten).
constexpr size_t kMaxFileBytes = 64u << 20;

const char* const kRootFiles[3] = {"HKEY_CLASSES_ROOT.txt", "HKEY_CURRENT_USER.txt", "HKEY_LOCAL_MACHINE.txt"};

// What tells that a store file changed: the same file (device, inode) with
// the same size and times.
struct FileId {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    static FileId Of(const struct stat& st)
    {
        FileId id;
        id.exists = true;
        id.dev = st.st_dev;
        id.ino = st.st_ino;
        id.size = st.st_size;
        id.mtime = st.st_mtim;
        id.ctime = st.st_ctim;
        return id;
    }
    bool Same(const struct stat& st) const
    {
        return exists && dev == st.st_dev && ino == st.st_ino && size == st.st_size &&
               mtime.tv_sec == st.st_mtim.tv_sec && mtime.tv_nsec == st.st_mtim.tv_nsec &&
               ctime.tv_sec == st.st_ctim.tv_sec && ctime.tv_nsec == st.st_ctim.tv_nsec;
    }
};

// The sub-key names of a user key and a shipped key together (either may be
// null), by folded name.
void MergeChildNames(const RegistryKey* user, const RegistryKey* shipped, std::map<std::wstring, std::wstring>* names)
{
    if (user)
        for (const auto& [folded, child] : user->children) names->emplace(folded, child->name);
    if (shipped)
        for (const auto& [folded, child] : shipped->children) names->emplace(folded, child->name);
}

// The user's values in their order, then the shipped ones the user has not
// replaced.
std::vector<RegValueData> MergeValues(RegistryKey* user, RegistryKey* shipped)
{
    std::vector<RegValueData> out;
    if (user) out = user->values;
    if (shipped)
        for (const auto& v : shipped->values)
            if (!user || !user->Find(v.name)) out.push_back(v);
    return out;
}

}  // namespace

// ---- The store -------------------------------------------------------------------

struct RegistryStore::Impl {
    struct Root {
        bool loaded = false;
        // The file exists but cannot be read: answer as empty, never write.
        bool unreadable = false;
        FileId id;
        // The loaded file stays open so that its inode number cannot be given
        // to a new file while we compare against it.
        int fd = -1;
        RegistryKey tree;
    };

    bool folderKnown = false;
    std::string folder;  // ".../rivoenc/registry/", or "" when there is no home
    Root roots[3];
    RegistryKey shipped[3];  // the read-only layer, never written to a file

    // The shipped key at a path, or null. A root without shipped data has
    // none.
    RegistryKey* Shipped(RegRoot root, const RegPath& path)
    {
        RegistryKey* k = shipped[static_cast<int>(root)].FindKey(path);
        if (k && path.empty() && k->children.empty() && k->values.empty()) return nullptr;
        return k;
    }

    ~Impl() { Drop(); }

    void Drop()
    {
        for (auto& r : roots) {
            if (r.fd >= 0) close(r.fd);
            r.fd = -1;
            r.loaded = false;
            r.unreadable = false;
            r.id = FileId();
            r.tree.Clear();
        }
        folderKnown = false;
        folder.clear();
    }

    const std::string& Folder()
    {
        if (!folderKnown) {
            std::string config = XdgBaseFolder("XDG_CONFIG_HOME", "/.config");
            folder = config.empty() ? config : (config == "/" ? "" : config) + "/rivoenc/registry/";
            folderKnown = true;
        }
        return folder;
    }

    std::string FileOf(RegRoot root)
    {
        const std::string& f = Folder();
        return f.empty() ? f : f + kRootFiles[static_cast<int>(root)];
    }

    void SetEmpty(Root& r, bool unreadable, const FileId& id)
    {
        if (r.fd >= 0) close(r.fd);
        r.fd = -1;
        r.tree.Clear();
        r.unreadable = unreadable;
        r.id = id;
        r.loaded = true;
    }

    // Brings the root's tree up to date with its file: one stat() when the
    // file did not change.
    Root& Refresh(RegRoot which)
    {
        Root& r = roots[static_cast<int>(which)];
        std::string path = FileOf(which);
        struct stat st;
        if (path.empty() || stat(path.c_str(), &st) != 0) {
            bool missing = path.empty() || errno == ENOENT || errno == ENOTDIR;
            if (!r.loaded || r.id.exists || r.unreadable != !missing) SetEmpty(r, !missing, FileId());
            return r;
        }
        if (r.loaded && r.id.Same(st)) return r;
        Load(r, path);
        return r;
    }

    void Load(Root& r, const std::string& path)
    {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st;
        if (fd < 0 || fstat(fd, &st) != 0) {
            if (fd >= 0) close(fd);
            SetEmpty(r, errno != ENOENT, FileId());
            return;
        }
        if (!S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxFileBytes) {
            close(fd);
            SetEmpty(r, true, FileId::Of(st));
            return;
        }
        std::string text(static_cast<size_t>(st.st_size), '\0');
        size_t got = 0;
        while (got < text.size()) {
            ssize_t n = read(fd, text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        if (got != text.size()) {
            close(fd);
            SetEmpty(r, true, FileId());
            return;
        }
        SetEmpty(r, false, FileId::Of(st));
        r.fd = fd;
        ParseRegistryText(text, &r.tree);
    }

    // Removes temporary files that a writer killed mid-write left behind.
    // Only called under the store lock, when no other writer is at work.
    void RemoveStaleTemps()
    {
        DIR* d = opendir(folder.c_str());
        if (!d) return;
        std::vector<std::string> stale;
        while (dirent* e = readdir(d)) {
            std::string_view n = e->d_name;
            for (const char* f : kRootFiles) {
                std::string prefix = std::string(".~") + f + ".";
                if (n.size() == prefix.size() + 6 && n.substr(0, prefix.size()) == prefix) stale.emplace_back(n);
            }
        }
        closedir(d);
        for (const auto& n : stale) unlink((folder + n).c_str());
    }

    // Read-modify-write of one root under the store lock. change() returns
    // an error (nothing written), or success with *changed telling whether
    // there is anything to write.
    template <class F>
    LONG Modify(RegRoot which, F change)
    {
        const std::string& f = Folder();
        if (f.empty() || !MakeFolders(f.substr(0, f.size() - 1), 0700)) return ERROR_CANTWRITE;
        ExclusiveFileLock lock(f + ".lock");
        if (!lock.held()) return ERROR_CANTWRITE;
        Root& r = Refresh(which);
        if (r.unreadable) return ERROR_CANTWRITE;
        bool changed = false;
        LONG rc = change(r.tree, &changed);
        if (rc != ERROR_SUCCESS || !changed) return rc;
        std::string path = FileOf(which);
        if (!WriteFileAtomically(path, SerializeRegistryText(r.tree, kRootFiles[static_cast<int>(which)]), 0600)) {
            r.loaded = false;  // memory is ahead of the file: read it again next time
            return ERROR_CANTWRITE;
        }
        // Nobody else writes while we hold the lock, so the file now on disk
        // is the one just written.
        if (r.fd >= 0) close(r.fd);
        r.fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (r.fd >= 0 && fstat(r.fd, &st) == 0)
            r.id = FileId::Of(st);
        else
            r.loaded = false;
        RemoveStaleTemps();
        return ERROR_SUCCESS;
    }
};

RegistryStore::RegistryStore() : impl_(std::make_unique<Impl>()) {}
RegistryStore::~RegistryStore() = default;

RegistryStore& RegistryStore::Instance()
{
    // Never destroyed: handles may still be used while statics go away.
    static RegistryStore* store = new RegistryStore();
    return *store;
}

bool RegistryStore::SplitPath(std::wstring_view text, RegPath* out)
{
    out->clear();
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t next = text.find_first_of(L"\\/", pos);
        if (next == std::wstring_view::npos) next = text.size();
        if (next > pos) {
            if (next - pos > kMaxKeyNameLen) return false;
            out->emplace_back(text.substr(pos, next - pos));
        }
        pos = next + 1;
    }
    return true;
}

std::string RegistryStore::FileOf(RegRoot root)
{
    std::lock_guard<std::mutex> g(mutex_);
    return impl_->FileOf(root);
}

void RegistryStore::Reset()
{
    std::lock_guard<std::mutex> g(mutex_);
    impl_->Drop();
}

void RegistryStoreReset() { RegistryStore::Instance().Reset(); }

LONG RegistryStore::AddShippedKey(RegRoot root, const RegPath& path)
{
    if (path.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
    for (const auto& part : path)
        if (part.empty() || part.size() > kMaxKeyNameLen) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> g(mutex_);
    impl_->shipped[static_cast<int>(root)].MakeKey(path);
    return ERROR_SUCCESS;
}

LONG RegistryStore::AddShippedValue(RegRoot root, const RegPath& path, std::wstring_view name, DWORD type,
                                    std::string_view bytes)
{
    if (name.size() > kMaxValueNameLen) return ERROR_INVALID_PARAMETER;
    LONG rc = AddShippedKey(root, path);
    if (rc != ERROR_SUCCESS) return rc;
    std::lock_guard<std::mutex> g(mutex_);
    impl_->shipped[static_cast<int>(root)].MakeKey(path)->Set(name, type, bytes);
    return ERROR_SUCCESS;
}

LONG RegistryStore::KeyExists(RegRoot root, const RegPath& path)
{
    std::lock_guard<std::mutex> g(mutex_);
    Impl::Root& r = impl_->Refresh(root);
    if (r.tree.FindKey(path) || impl_->Shipped(root, path) || AnsweredKeyAt(root, path) != AnsweredKey::None)
        return ERROR_SUCCESS;
    return ERROR_KEY_DELETED;
}

LONG RegistryStore::CreateKey(RegRoot root, const RegPath& path, bool* created)
{
    *created = false;
    if (path.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
    for (const auto& part : path)
        if (part.empty() || part.size() > kMaxKeyNameLen) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> g(mutex_);
    if (AnsweredKeyAt(root, path) != AnsweredKey::None) return ERROR_SUCCESS;
    if (InsideShellFolderKey(root, path)) return ERROR_ACCESS_DENIED;
    if (impl_->Refresh(root).tree.FindKey(path) || impl_->Shipped(root, path)) return ERROR_SUCCESS;
    return impl_->Modify(root, [&](RegistryKey& tree, bool* changed) {
        *changed = *created = tree.FindKey(path) == nullptr;
        tree.MakeKey(path);
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteKey(RegRoot root, const RegPath& path)
{
    std::lock_guard<std::mutex> g(mutex_);
    if (path.empty() || AnsweredKeyAt(root, path) != AnsweredKey::None || impl_->Shipped(root, path))
        return ERROR_ACCESS_DENIED;
    if (!impl_->Refresh(root).tree.FindKey(path)) return ERROR_KEY_DELETED;
    return impl_->Modify(root, [&](RegistryKey& tree, bool* changed) -> LONG {
        RegPath parentPath(path.begin(), path.end() - 1);
        RegistryKey* parent = tree.FindKey(parentPath);
        RegistryKey* k = parent ? parent->Child(path.back()) : nullptr;
        if (!k) return ERROR_KEY_DELETED;
        if (!k->children.empty()) return ERROR_ACCESS_DENIED;
        parent->children.erase(FoldRegistryName(path.back()));
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteTree(RegRoot root, const RegPath& path, bool deleteKeyItself)
{
    std::lock_guard<std::mutex> g(mutex_);
    // Keys that are answered rather than stored cannot go; the stored keys
    // and values under them do.
    bool isVirtual = AnsweredKeyAt(root, path) != AnsweredKey::None || impl_->Shipped(root, path);
    if (deleteKeyItself && path.empty()) return ERROR_ACCESS_DENIED;
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    if (!k && !isVirtual) return ERROR_KEY_DELETED;
    LONG rc = ERROR_SUCCESS;
    if (k && (deleteKeyItself || !k->children.empty() || !k->values.empty())) {
        rc = impl_->Modify(root, [&](RegistryKey& tree, bool* changed) -> LONG {
            RegistryKey* target = tree.FindKey(path);
            if (!target) return isVirtual ? ERROR_SUCCESS : ERROR_KEY_DELETED;
            *changed = true;
            if (deleteKeyItself && !isVirtual) {
                RegPath parentPath(path.begin(), path.end() - 1);
                tree.FindKey(parentPath)->children.erase(FoldRegistryName(path.back()));
            } else {
                target->Clear();
            }
            return ERROR_SUCCESS;
        });
    }
    if (rc == ERROR_SUCCESS && isVirtual) rc = ERROR_ACCESS_DENIED;
    return rc;
}

LONG RegistryStore::GetValue(RegRoot root, const RegPath& path, std::wstring_view name, RegValueData* out)
{
    std::lock_guard<std::mutex> g(mutex_);
    AnsweredKey kind = AnsweredKeyAt(root, path);
    if (kind == AnsweredKey::ShellFolders) {
        for (auto& v : ShellFolderValues()) {
            if (CompareNoCase(v.name, name) == 0) {
                *out = std::move(v);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    }
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    RegistryKey* shipped = impl_->Shipped(root, path);
    if (!k && !shipped) return kind == AnsweredKey::None ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    const RegValueData* v = k ? k->Find(name) : nullptr;
    if (!v && shipped) v = shipped->Find(name);
    if (!v) return ERROR_FILE_NOT_FOUND;
    *out = *v;
    return ERROR_SUCCESS;
}

LONG RegistryStore::SetValue(RegRoot root, const RegPath& path, std::wstring_view name, DWORD type,
                             std::string_view bytes)
{
    if (name.size() > kMaxValueNameLen) return ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> g(mutex_);
    AnsweredKey kind = AnsweredKeyAt(root, path);
    if (kind == AnsweredKey::ShellFolders) return ERROR_ACCESS_DENIED;
    // Writing what is already stored changes nothing: settings are written
    // back in full at exit, mostly unchanged.
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    // Under a shipped key the user's own key is made as needed.
    bool answered = kind != AnsweredKey::None || impl_->Shipped(root, path);
    if (!k && !answered) return ERROR_KEY_DELETED;
    if (const RegValueData* v = k ? k->Find(name) : nullptr; v && v->type == type && v->bytes == bytes)
        return ERROR_SUCCESS;
    return impl_->Modify(root, [&](RegistryKey& tree, bool* changed) -> LONG {
        RegistryKey* target = tree.FindKey(path);
        if (!target && !answered) return ERROR_KEY_DELETED;
        if (!target) target = tree.MakeKey(path);
        target->Set(name, type, bytes);
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteValue(RegRoot root, const RegPath& path, std::wstring_view name)
{
    std::lock_guard<std::mutex> g(mutex_);
    AnsweredKey kind = AnsweredKeyAt(root, path);
    if (kind == AnsweredKey::ShellFolders) return ERROR_ACCESS_DENIED;
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    RegistryKey* shipped = impl_->Shipped(root, path);
    if (!k || !k->Find(name)) {
        if (shipped && shipped->Find(name)) return ERROR_ACCESS_DENIED;
        if (!k && !shipped) return kind == AnsweredKey::None ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    return impl_->Modify(root, [&](RegistryKey& tree, bool* changed) -> LONG {
        RegistryKey* target = tree.FindKey(path);
        if (!target) return kind == AnsweredKey::None ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        if (!target->Erase(name)) return ERROR_FILE_NOT_FOUND;
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::EnumSubKey(RegRoot root, const RegPath& path, DWORD index, std::wstring* name)
{
    std::lock_guard<std::mutex> g(mutex_);
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    RegistryKey* shipped = impl_->Shipped(root, path);
    AnsweredKey kind = AnsweredKeyAt(root, path);
    if (!k && !shipped && kind == AnsweredKey::None) return ERROR_KEY_DELETED;
    if (kind != AnsweredKey::Ancestor && !shipped) {
        if (!k || index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
        auto it = k->children.begin();
        std::advance(it, index);
        *name = it->second->name;
        return ERROR_SUCCESS;
    }
    std::map<std::wstring, std::wstring> names;
    MergeChildNames(k, shipped, &names);
    AddAnsweredSubKeys(root, path, &names);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    auto it = names.begin();
    std::advance(it, index);
    *name = it->second;
    return ERROR_SUCCESS;
}

LONG RegistryStore::EnumValue(RegRoot root, const RegPath& path, DWORD index, RegValueData* out)
{
    std::lock_guard<std::mutex> g(mutex_);
    AnsweredKey kind = AnsweredKeyAt(root, path);
    if (kind == AnsweredKey::ShellFolders) {
        std::vector<RegValueData> values = ShellFolderValues();
        if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
        *out = std::move(values[index]);
        return ERROR_SUCCESS;
    }
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    RegistryKey* shipped = impl_->Shipped(root, path);
    if (!k && !shipped && kind == AnsweredKey::None) return ERROR_KEY_DELETED;
    if (!shipped) {
        if (!k || index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
        *out = k->values[index];
        return ERROR_SUCCESS;
    }
    std::vector<RegValueData> values = MergeValues(k, shipped);
    if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
    *out = std::move(values[index]);
    return ERROR_SUCCESS;
}

LONG RegistryStore::QueryInfo(RegRoot root, const RegPath& path, RegKeyInfo* out)
{
    std::lock_guard<std::mutex> g(mutex_);
    *out = RegKeyInfo();
    AnsweredKey kind = AnsweredKeyAt(root, path);
    RegistryKey* k = impl_->Refresh(root).tree.FindKey(path);
    RegistryKey* shipped = impl_->Shipped(root, path);
    if (!k && !shipped && kind == AnsweredKey::None) return ERROR_KEY_DELETED;
    std::map<std::wstring, std::wstring> names;
    MergeChildNames(k, shipped, &names);
    AddAnsweredSubKeys(root, path, &names);
    for (const auto& [folded, n] : names) {
        ++out->subKeys;
        out->maxSubKeyLen = std::max(out->maxSubKeyLen, static_cast<DWORD>(n.size()));
    }
    std::vector<RegValueData> computed;
    const std::vector<RegValueData>* values = k ? &k->values : nullptr;
    if (shipped) {
        computed = MergeValues(k, shipped);
        values = &computed;
    }
    if (kind == AnsweredKey::ShellFolders) {
        computed = ShellFolderValues();
        values = &computed;
    }
    if (values) {
        for (const auto& v : *values) {
            ++out->values;
            out->maxValueNameLen = std::max(out->maxValueNameLen, static_cast<DWORD>(v.name.size()));
            out->maxValueLen = std::max(out->maxValueLen, static_cast<DWORD>(v.bytes.size()));
        }
    }
    return ERROR_SUCCESS;
}
