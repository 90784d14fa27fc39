#include "DesktopTrash.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "NativePath.h"
#include "Registry.h"

namespace {

bool IsDirectory(const std::string& path, bool allowLink)
{
    struct stat st;
    int r = allowLink ? stat(path.c_str(), &st) : lstat(path.c_str(), &st);
    return r == 0 && S_ISDIR(st.st_mode);
}

// Makes the folder (mode 0700) unless it is there; true when it is a folder.
bool EnsureFolder(const std::string& path, bool allowLink)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsDirectory(path, allowLink);
}

// A trash folder with its "files" and "info" folders.
bool PrepareTrash(const std::string& trash, bool allowLink)
{
    return EnsureFolder(trash, allowLink) && EnsureFolder(trash + "/files", false) &&
           EnsureFolder(trash + "/info", false);
}

std::string ParentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder at the top of the mount that holds the path.
std::string MountTop(const std::string& path, dev_t device)
{
    std::string top = ParentOf(path);
    while (top != "/") {
        std::string up = ParentOf(top);
        struct stat st;
        if (stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
        top = up;
    }
    return top;
}

// The path in the form the description file keeps: URL-escaped bytes.
std::string Escaped(const std::string& path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                     c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The device of the path, or of its nearest existing parent.
bool DeviceOf(std::string path, dev_t* device)
{
    struct stat st;
    while (stat(path.c_str(), &st) != 0) {
        if (path == "/" || errno != ENOENT) return false;
        path = ParentOf(path);
    }
    *device = st.st_dev;
    return true;
}

// Creates the description under a free name, then moves the file in under
// the same name without replacing anything; the description goes again when
// the move fails.
bool MoveInto(const std::string& trash, const std::string& path, const std::string& shownPath)
{
    std::string base = path.substr(path.find_last_of('/') + 1);
    char when[32];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
    std::string info = "[Trash Info]\nPath=" + Escaped(shownPath) + "\nDeletionDate=" + when + "\n";

    for (int n = 1; n <= 1000; ++n) {
        std::string name = n == 1 ? base : base + "." + std::to_string(n);
        std::string infoPath = trash + "/info/" + name + ".trashinfo";
        std::string filesPath = trash + "/files/" + name;
        int fd = open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        bool written = write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
        written = close(fd) == 0 && written;
        if (!written) {
            unlink(infoPath.c_str());
            return false;
        }
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, filesPath.c_str(), RENAME_NOREPLACE) == 0) return true;
        int error = errno;
        unlink(infoPath.c_str());
        if (error != EEXIST) return false;  // a name taken in "files" only: try the next one
    }
    return false;
}

}  // namespace

bool MoveToDesktopTrash(const std::string& nativePath)
{
    if (nativePath.empty() || nativePath[0] != '/') return false;
    std::string path = nativePath;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    struct stat file;
    if (path == "/" || lstat(path.c_str(), &file) != 0) return false;

    // A file on the device of the user's data folder goes to the home trash,
    // and nowhere else.
    std::wstring dataFolder;
    HKEY shellFolders = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ, &shellFolders) != ERROR_SUCCESS)
        return false;
    LONG rc = RegGetTextValue(shellFolders, L"AppData", &dataFolder);
    RegCloseKey(shellFolders);
    if (rc != ERROR_SUCCESS) return false;
    std::string data = ToNativePath(dataFolder);
    while (data.size() > 1 && data.back() == '/') data.pop_back();
    dev_t dataDevice;
    if (data.empty() || data[0] != '/' || !DeviceOf(data, &dataDevice)) return false;
    if (dataDevice == file.st_dev) {
        std::string home = data + "/Trash";
        return MakeFolders(data, 0700) && PrepareTrash(home, true) && MoveInto(home, path, path);
    }

    // A file on another device goes to the trash at the top of its mount:
    // the shared ".Trash/<uid>" when the administrator made one, else the
    // user's own ".Trash-<uid>".
    std::string top = MountTop(path, file.st_dev);
    std::string prefix = top == "/" ? "" : top;
    std::string uid = std::to_string(getuid());
    std::string relative = path.substr(prefix.size() + 1);
    struct stat st;
    std::string shared = prefix + "/.Trash";
    if (lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        PrepareTrash(shared + "/" + uid, false))
        return MoveInto(shared + "/" + uid, path, relative);
    std::string own = prefix + "/.Trash-" + uid;
    if (PrepareTrash(own, false) && lstat(own.c_str(), &st) == 0 && st.st_uid == getuid())
        return MoveInto(own, path, relative);
    return false;
}
