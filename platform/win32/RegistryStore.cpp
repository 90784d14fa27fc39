#include "RegistryStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <unordered_map>

#include "CString.h"
#include "CodePage.h"
#include "NativePath.h"

namespace {

constexpr DWORD kTypeSz = 1;  // REG_SZ

// A store file larger than this is not loaded (and not overwritten).
constexpr size_t kMaxFileBytes = 64u << 20;

const char* const kRootFiles[3] = {"HKEY_CLASSES_ROOT.txt", "HKEY_CURRENT_USER.txt", "HKEY_LOCAL_MACHINE.txt"};

struct TypeName {
    DWORD type;
    const char* name;
};
constexpr TypeName kTypeNames[] = {
    {0, "REG_NONE"},  {1, "REG_SZ"},       {2, "REG_EXPAND_SZ"}, {3, "REG_BINARY"},
    {4, "REG_DWORD"}, {7, "REG_MULTI_SZ"}, {11, "REG_QWORD"},
};

std::wstring Fold(std::wstring_view s)
{
    std::wstring out(s);
    for (wchar_t& c : out) c = ToLowerChar(c);
    return out;
}

// ---- The tree ----------------------------------------------------------------

struct Key {
    std::wstring name;                                      // as first written
    std::map<std::wstring, std::unique_ptr<Key>> children;  // by folded name: case-blind order
    std::vector<RegValueData> values;                       // in the order first written
    std::unordered_map<std::wstring, size_t> index;         // folded value name -> position

    Key* Child(std::wstring_view name)
    {
        auto it = children.find(Fold(name));
        return it == children.end() ? nullptr : it->second.get();
    }
    Key* AddChild(const std::wstring& childName)
    {
        auto& slot = children[Fold(childName)];
        if (!slot) {
            slot = std::make_unique<Key>();
            slot->name = childName;
        }
        return slot.get();
    }
    RegValueData* Find(std::wstring_view valueName)
    {
        auto it = index.find(Fold(valueName));
        return it == index.end() ? nullptr : &values[it->second];
    }
    void Set(std::wstring_view valueName, DWORD type, std::string_view bytes)
    {
        if (RegValueData* v = Find(valueName)) {
            v->type = type;
            v->bytes.assign(bytes);
            return;
        }
        index.emplace(Fold(valueName), values.size());
        values.push_back(RegValueData{std::wstring(valueName), type, std::string(bytes)});
    }
    bool Erase(std::wstring_view valueName)
    {
        auto it = index.find(Fold(valueName));
        if (it == index.end()) return false;
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(it->second));
        index.clear();
        for (size_t i = 0; i < values.size(); ++i) index.emplace(Fold(values[i].name), i);
        return true;
    }
    void Clear()
    {
        children.clear();
        values.clear();
        index.clear();
    }
};

Key* FindKey(Key* root, const RegPath& path)
{
    Key* k = root;
    for (const auto& part : path) {
        k = k->Child(part);
        if (!k) return nullptr;
    }
    return k;
}

Key* MakeKey(Key* root, const RegPath& path)
{
    Key* k = root;
    for (const auto& part : path) k = k->AddChild(part);
    return k;
}

// ---- The text form -------------------------------------------------------------
//
//   # comment
//   value "<name>" <TYPE> <hex bytes>      a value of the key above (the root at first)
//   key "<name>\<name>\..."                 a key, by its full path from the root
//
// Names are UTF-8; control characters, '%', '"' and code units that are no
// Unicode character are written as %{hex}, so every name comes back exactly.

bool NeedsEscape(wchar_t c)
{
    uint32_t u = static_cast<uint32_t>(c);
    return u < 0x20 || (u >= 0x7F && u < 0xA0) || u == '%' || u == '"' || (u >= 0xD800 && u < 0xE000) ||
           u > 0x10FFFF;
}

void AppendEscaped(std::string* out, std::wstring_view name)
{
    static const char kHex[] = "0123456789abcdef";
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !NeedsEscape(name[i])) continue;
        *out += WideToUtf8(name.substr(start, i - start));
        start = i + 1;
        if (i == name.size()) break;
        uint32_t u = static_cast<uint32_t>(name[i]);
        char buf[8];
        int n = 0;
        do {
            buf[n++] = kHex[u & 0xF];
            u >>= 4;
        } while (u);
        *out += "%{";
        while (n) *out += buf[--n];
        *out += '}';
    }
}

int HexDigit(wchar_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::wstring* out)
{
    std::wstring w = Utf8ToWide(text);
    out->clear();
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] != '%') {
            *out += w[i];
            continue;
        }
        if (i + 1 >= w.size() || w[i + 1] != '{') return false;
        size_t j = i + 2;
        uint32_t u = 0;
        int digits = 0;
        for (; j < w.size() && w[j] != '}'; ++j) {
            int d = HexDigit(w[j]);
            if (d < 0 || ++digits > 8) return false;
            u = (u << 4) | static_cast<uint32_t>(d);
        }
        if (j >= w.size() || digits == 0) return false;
        *out += static_cast<wchar_t>(u);
        i = j;
    }
    return true;
}

// Takes a quoted name from the front of rest.
bool TakeQuoted(std::string_view* rest, std::wstring* out)
{
    if (rest->empty() || rest->front() != '"') return false;
    size_t end = rest->find('"', 1);
    if (end == std::string_view::npos) return false;
    if (!Unescape(rest->substr(1, end - 1), out)) return false;
    rest->remove_prefix(end + 1);
    return true;
}

bool ParseType(std::string_view token, DWORD* type)
{
    for (const auto& t : kTypeNames) {
        if (token == t.name) {
            *type = t.type;
            return true;
        }
    }
    if (token.empty() || token.size() > 10) return false;
    uint64_t v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
    *type = static_cast<DWORD>(v);
    return true;
}

bool ParseHex(std::string_view hex, std::string* out)
{
    if (hex.size() % 2) return false;
    out->resize(hex.size() / 2);
    for (size_t i = 0; i < out->size(); ++i) {
        int hi = HexDigit(hex[2 * i]), lo = HexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        (*out)[i] = static_cast<char>((hi << 4) | lo);
    }
    return true;
}

// One value line after "value ": "<name>" TYPE[ HEX].
bool ParseValueLine(std::string_view rest, RegValueData* v)
{
    if (!TakeQuoted(&rest, &v->name) || v->name.size() > RegistryStore::kMaxValueNameLen) return false;
    if (rest.empty() || rest.front() != ' ') return false;
    rest.remove_prefix(1);
    size_t space = rest.find(' ');
    if (!ParseType(rest.substr(0, space), &v->type)) return false;
    if (space == std::string_view::npos) {
        v->bytes.clear();
        return true;
    }
    return ParseHex(rest.substr(space + 1), &v->bytes);
}

// Bad lines are skipped and the rest is loaded. A last line without its
// newline is a cut-off write and is skipped too. Values under a key line
// that could not be read are dropped with it rather than given to another key.
void ParseStore(std::string_view text, Key* root)
{
    Key* current = root;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) break;
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (line.substr(0, 6) == "value ") {
            RegValueData v;
            if (current && ParseValueLine(line.substr(6), &v)) current->Set(v.name, v.type, v.bytes);
        } else if (line.substr(0, 4) == "key ") {
            std::string_view rest = line.substr(4);
            std::wstring pathText;
            RegPath path;
            current = nullptr;
            if (TakeQuoted(&rest, &pathText) && rest.empty() && RegistryStore::SplitPath(pathText, &path) &&
                path.size() <= RegistryStore::kMaxDepth)
                current = MakeKey(root, path);
        }
    }
}

void AppendHex(std::string* out, std::string_view bytes)
{
    static const char kHex[] = "0123456789abcdef";
    for (unsigned char b : bytes) {
        *out += kHex[b >> 4];
        *out += kHex[b & 0xF];
    }
}

void AppendValues(std::string* out, const Key& k)
{
    for (const auto& v : k.values) {
        *out += "value \"";
        AppendEscaped(out, v.name);
        *out += "\" ";
        const char* typeName = nullptr;
        for (const auto& t : kTypeNames)
            if (t.type == v.type) typeName = t.name;
        *out += typeName ? std::string(typeName) : std::to_string(v.type);
        if (!v.bytes.empty()) {
            *out += ' ';
            AppendHex(out, v.bytes);
        }
        *out += '\n';
    }
}

void AppendKeys(std::string* out, const Key& k, std::string* path)
{
    for (const auto& [folded, child] : k.children) {
        size_t mark = path->size();
        if (!path->empty()) *path += '\\';
        AppendEscaped(path, child->name);
        *out += "key \"" + *path + "\"\n";
        AppendValues(out, *child);
        AppendKeys(out, *child, path);
        path->resize(mark);
    }
}

std::string SerializeStore(const Key& root, RegRoot which)
{
    std::string out = "# registry store of rivoenc, ";
    out += kRootFiles[static_cast<int>(which)];
    out += "\n# value \"name\" TYPE hex-bytes; key \"path\\to\\key\"; %{hex} escapes a character\n";
    AppendValues(&out, root);
    std::string path;
    AppendKeys(&out, root, &path);
    return out;
}

// ---- Folders -------------------------------------------------------------------

std::string StripTrailingSlashes(std::string s)
{
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

std::string HomeFolder()
{
    if (const char* h = std::getenv("HOME"); h && *h == '/') return StripTrailingSlashes(h);
    std::vector<char> buf(16384);
    passwd pw;
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/')
        return StripTrailingSlashes(found->pw_dir);
    return std::string();
}

// An XDG base folder: the variable when it holds an absolute path, else the
// fallback under the home folder ("" when there is no home either).
std::string XdgBase(const char* variable, const char* underHome)
{
    if (const char* v = std::getenv(variable); v && *v == '/') return StripTrailingSlashes(v);
    std::string home = HomeFolder();
    return home.empty() ? home : home + underHome;
}

// Creates the missing folders of an absolute path, each with mode 0700.
bool MakeFolders(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The value of one NAME="..." line of the user-dirs file, with $HOME expanded.
std::string UserDir(const std::string& fileText, std::string_view name, const std::string& home)
{
    std::string found;
    size_t pos = 0;
    while (pos < fileText.size()) {
        size_t nl = fileText.find('\n', pos);
        if (nl == std::string::npos) nl = fileText.size();
        std::string_view line(fileText.data() + pos, nl - pos);
        pos = nl + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.substr(0, name.size()) != name || line.substr(name.size(), 1) != "=") continue;
        line.remove_prefix(name.size() + 1);
        if (line.empty() || line.front() != '"') continue;
        std::string value;
        bool closed = false;
        for (size_t i = 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
            if (home.empty()) continue;
            value = home + value.substr(5);
        } else if (value.empty() || value.front() != '/') {
            continue;  // only absolute paths and paths under $HOME count
        }
        found = StripTrailingSlashes(value);
    }
    return found;
}

std::string TextValueBytes(const std::string& nativePath)
{
    return WideToUtf16LeBytes(FromNativePath(nativePath)) + std::string(2, '\0');
}

// The values of the shell-folder keys, computed from the environment and the
// user-dirs file each time they are asked for.
std::vector<RegValueData> ShellFolderValues()
{
    std::string home = HomeFolder();
    std::string dirs;
    std::string config = XdgBase("XDG_CONFIG_HOME", "/.config");
    if (!config.empty()) ReadWholeFile(config + "/user-dirs.dirs", &dirs, 1u << 20);
    auto userDir = [&](std::string_view name, const std::string& fallback) {
        std::string d = UserDir(dirs, name, home);
        return d.empty() ? fallback : d;
    };
    std::string data = XdgBase("XDG_DATA_HOME", "/.local/share");
    const std::pair<const wchar_t*, std::string> rows[] = {
        {L"Personal", userDir("XDG_DOCUMENTS_DIR", home)},
        {L"AppData", data},
        {L"Local AppData", data},
        {L"Desktop", userDir("XDG_DESKTOP_DIR", home.empty() ? home : home + "/Desktop")},
        {L"My Music", userDir("XDG_MUSIC_DIR", home)},
        {L"My Pictures", userDir("XDG_PICTURES_DIR", home)},
        {L"My Video", userDir("XDG_VIDEOS_DIR", home)},
    };
    std::vector<RegValueData> out;
    for (const auto& [name, path] : rows)
        if (!path.empty()) out.push_back(RegValueData{name, kTypeSz, TextValueBytes(path)});
    return out;
}

// ---- Keys that are answered, not stored -----------------------------------------

const std::array<std::array<const wchar_t*, 6>, 2> kShellFolderKeys = {{
    {L"Software", L"Microsoft", L"Windows", L"CurrentVersion", L"Explorer", L"Shell Folders"},
    {L"Software", L"Microsoft", L"Windows", L"CurrentVersion", L"Explorer", L"User Shell Folders"},
}};

enum class Virtual { None, Ancestor, ShellFolders };

Virtual VirtualKind(RegRoot root, const RegPath& path)
{
    if (root != RegRoot::CurrentUser) return Virtual::None;
    Virtual kind = Virtual::None;
    for (const auto& key : kShellFolderKeys) {
        if (path.size() > key.size()) continue;
        bool match = true;
        for (size_t i = 0; i < path.size() && match; ++i) match = CompareNoCase(path[i], key[i]) == 0;
        if (!match) continue;
        if (path.size() == key.size()) return Virtual::ShellFolders;
        kind = Virtual::Ancestor;
    }
    return kind;
}

// True when the path lies inside a shell-folder key (the key or below it).
bool InsideShellFolders(RegRoot root, const RegPath& path)
{
    if (path.size() < kShellFolderKeys[0].size()) return false;
    RegPath head(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(kShellFolderKeys[0].size()));
    return VirtualKind(root, head) == Virtual::ShellFolders;
}

void AddVirtualChildren(RegRoot root, const RegPath& path, std::map<std::wstring, std::wstring>* names)
{
    if (VirtualKind(root, path) != Virtual::Ancestor) return;
    for (const auto& key : kShellFolderKeys) {
        bool match = true;
        for (size_t i = 0; i < path.size() && match; ++i) match = CompareNoCase(path[i], key[i]) == 0;
        if (match) names->emplace(Fold(key[path.size()]), key[path.size()]);
    }
}

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

// Holds an exclusive flock on the store's lock file for its lifetime.
class StoreLock {
public:
    explicit StoreLock(const std::string& path)
    {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) return;
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~StoreLock()
    {
        if (fd_ >= 0) close(fd_);  // closing releases the lock
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The sub-key names of a user key and a shipped key together (either may be
// null), by folded name.
void MergeChildNames(const Key* user, const Key* shipped, std::map<std::wstring, std::wstring>* names)
{
    if (user)
        for (const auto& [folded, child] : user->children) names->emplace(folded, child->name);
    if (shipped)
        for (const auto& [folded, child] : shipped->children) names->emplace(folded, child->name);
}

// The user's values in their order, then the shipped ones the user has not
// replaced.
std::vector<RegValueData> MergeValues(Key* user, Key* shipped)
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
        Key tree;
    };

    bool folderKnown = false;
    std::string folder;  // ".../rivoenc/registry/", or "" when there is no home
    Root roots[3];
    Key shipped[3];  // the read-only layer, never written to a file

    // The shipped key at a path, or null. A root without shipped data has
    // none.
    Key* Shipped(RegRoot root, const RegPath& path)
    {
        Key* k = FindKey(&shipped[static_cast<int>(root)], path);
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
            std::string config = XdgBase("XDG_CONFIG_HOME", "/.config");
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
        ParseStore(text, &r.tree);
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
        if (f.empty() || !MakeFolders(f.substr(0, f.size() - 1))) return ERROR_CANTWRITE;
        StoreLock lock(f + ".lock");
        if (!lock.held()) return ERROR_CANTWRITE;
        Root& r = Refresh(which);
        if (r.unreadable) return ERROR_CANTWRITE;
        bool changed = false;
        LONG rc = change(r.tree, &changed);
        if (rc != ERROR_SUCCESS || !changed) return rc;
        std::string path = FileOf(which);
        if (!WriteFileAtomically(path, SerializeStore(r.tree, which), 0600)) {
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
    MakeKey(&impl_->shipped[static_cast<int>(root)], path);
    return ERROR_SUCCESS;
}

LONG RegistryStore::AddShippedValue(RegRoot root, const RegPath& path, std::wstring_view name, DWORD type,
                                    std::string_view bytes)
{
    if (name.size() > kMaxValueNameLen) return ERROR_INVALID_PARAMETER;
    LONG rc = AddShippedKey(root, path);
    if (rc != ERROR_SUCCESS) return rc;
    std::lock_guard<std::mutex> g(mutex_);
    MakeKey(&impl_->shipped[static_cast<int>(root)], path)->Set(name, type, bytes);
    return ERROR_SUCCESS;
}

LONG RegistryStore::KeyExists(RegRoot root, const RegPath& path)
{
    std::lock_guard<std::mutex> g(mutex_);
    Impl::Root& r = impl_->Refresh(root);
    if (FindKey(&r.tree, path) || impl_->Shipped(root, path) || VirtualKind(root, path) != Virtual::None)
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
    if (VirtualKind(root, path) != Virtual::None) return ERROR_SUCCESS;
    if (InsideShellFolders(root, path)) return ERROR_ACCESS_DENIED;
    if (FindKey(&impl_->Refresh(root).tree, path) || impl_->Shipped(root, path)) return ERROR_SUCCESS;
    return impl_->Modify(root, [&](Key& tree, bool* changed) {
        *changed = *created = FindKey(&tree, path) == nullptr;
        MakeKey(&tree, path);
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteKey(RegRoot root, const RegPath& path)
{
    std::lock_guard<std::mutex> g(mutex_);
    if (path.empty() || VirtualKind(root, path) != Virtual::None || impl_->Shipped(root, path))
        return ERROR_ACCESS_DENIED;
    if (!FindKey(&impl_->Refresh(root).tree, path)) return ERROR_KEY_DELETED;
    return impl_->Modify(root, [&](Key& tree, bool* changed) -> LONG {
        RegPath parentPath(path.begin(), path.end() - 1);
        Key* parent = FindKey(&tree, parentPath);
        Key* k = parent ? parent->Child(path.back()) : nullptr;
        if (!k) return ERROR_KEY_DELETED;
        if (!k->children.empty()) return ERROR_ACCESS_DENIED;
        parent->children.erase(Fold(path.back()));
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteTree(RegRoot root, const RegPath& path, bool deleteKeyItself)
{
    std::lock_guard<std::mutex> g(mutex_);
    // Keys that are answered rather than stored cannot go; the stored keys
    // and values under them do.
    bool isVirtual = VirtualKind(root, path) != Virtual::None || impl_->Shipped(root, path);
    if (deleteKeyItself && path.empty()) return ERROR_ACCESS_DENIED;
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    if (!k && !isVirtual) return ERROR_KEY_DELETED;
    LONG rc = ERROR_SUCCESS;
    if (k && (deleteKeyItself || !k->children.empty() || !k->values.empty())) {
        rc = impl_->Modify(root, [&](Key& tree, bool* changed) -> LONG {
            Key* target = FindKey(&tree, path);
            if (!target) return isVirtual ? ERROR_SUCCESS : ERROR_KEY_DELETED;
            *changed = true;
            if (deleteKeyItself && !isVirtual) {
                RegPath parentPath(path.begin(), path.end() - 1);
                FindKey(&tree, parentPath)->children.erase(Fold(path.back()));
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
    Virtual kind = VirtualKind(root, path);
    if (kind == Virtual::ShellFolders) {
        for (auto& v : ShellFolderValues()) {
            if (CompareNoCase(v.name, name) == 0) {
                *out = std::move(v);
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    }
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    Key* shipped = impl_->Shipped(root, path);
    if (!k && !shipped) return kind == Virtual::None ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
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
    Virtual kind = VirtualKind(root, path);
    if (kind == Virtual::ShellFolders) return ERROR_ACCESS_DENIED;
    // Writing what is already stored changes nothing: settings are written
    // back in full at exit, mostly unchanged.
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    // Under a shipped key the user's own key is made as needed.
    bool answered = kind != Virtual::None || impl_->Shipped(root, path);
    if (!k && !answered) return ERROR_KEY_DELETED;
    if (const RegValueData* v = k ? k->Find(name) : nullptr; v && v->type == type && v->bytes == bytes)
        return ERROR_SUCCESS;
    return impl_->Modify(root, [&](Key& tree, bool* changed) -> LONG {
        Key* target = FindKey(&tree, path);
        if (!target && !answered) return ERROR_KEY_DELETED;
        if (!target) target = MakeKey(&tree, path);
        target->Set(name, type, bytes);
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::DeleteValue(RegRoot root, const RegPath& path, std::wstring_view name)
{
    std::lock_guard<std::mutex> g(mutex_);
    Virtual kind = VirtualKind(root, path);
    if (kind == Virtual::ShellFolders) return ERROR_ACCESS_DENIED;
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    Key* shipped = impl_->Shipped(root, path);
    if (!k || !k->Find(name)) {
        if (shipped && shipped->Find(name)) return ERROR_ACCESS_DENIED;
        if (!k && !shipped) return kind == Virtual::None ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        return ERROR_FILE_NOT_FOUND;
    }
    return impl_->Modify(root, [&](Key& tree, bool* changed) -> LONG {
        Key* target = FindKey(&tree, path);
        if (!target) return kind == Virtual::None ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        if (!target->Erase(name)) return ERROR_FILE_NOT_FOUND;
        *changed = true;
        return ERROR_SUCCESS;
    });
}

LONG RegistryStore::EnumSubKey(RegRoot root, const RegPath& path, DWORD index, std::wstring* name)
{
    std::lock_guard<std::mutex> g(mutex_);
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    Key* shipped = impl_->Shipped(root, path);
    Virtual kind = VirtualKind(root, path);
    if (!k && !shipped && kind == Virtual::None) return ERROR_KEY_DELETED;
    if (kind != Virtual::Ancestor && !shipped) {
        if (!k || index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
        auto it = k->children.begin();
        std::advance(it, index);
        *name = it->second->name;
        return ERROR_SUCCESS;
    }
    std::map<std::wstring, std::wstring> names;
    MergeChildNames(k, shipped, &names);
    AddVirtualChildren(root, path, &names);
    if (index >= names.size()) return ERROR_NO_MORE_ITEMS;
    auto it = names.begin();
    std::advance(it, index);
    *name = it->second;
    return ERROR_SUCCESS;
}

LONG RegistryStore::EnumValue(RegRoot root, const RegPath& path, DWORD index, RegValueData* out)
{
    std::lock_guard<std::mutex> g(mutex_);
    Virtual kind = VirtualKind(root, path);
    if (kind == Virtual::ShellFolders) {
        std::vector<RegValueData> values = ShellFolderValues();
        if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
        *out = std::move(values[index]);
        return ERROR_SUCCESS;
    }
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    Key* shipped = impl_->Shipped(root, path);
    if (!k && !shipped && kind == Virtual::None) return ERROR_KEY_DELETED;
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
    Virtual kind = VirtualKind(root, path);
    Key* k = FindKey(&impl_->Refresh(root).tree, path);
    Key* shipped = impl_->Shipped(root, path);
    if (!k && !shipped && kind == Virtual::None) return ERROR_KEY_DELETED;
    std::map<std::wstring, std::wstring> names;
    MergeChildNames(k, shipped, &names);
    AddVirtualChildren(root, path, &names);
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
    if (kind == Virtual::ShellFolders) {
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
