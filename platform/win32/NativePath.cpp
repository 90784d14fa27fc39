#include "NativePath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "CodePage.h"

std::string ToNativePath(std::wstring_view path)
{
    std::string s = WideToUtf8(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

std::wstring FromNativePath(std::string_view path) { return Utf8ToWide(path); }

bool WriteFileAtomically(const std::string& nativePath, std::string_view bytes, unsigned mode)
{
    std::string folder = ".";
    size_t slash = nativePath.rfind('/');
    if (slash != std::string::npos) folder = slash == 0 ? "/" : nativePath.substr(0, slash);
    std::string tmpl = (slash == std::string::npos ? std::string() : nativePath.substr(0, slash + 1)) + ".~" +
                       nativePath.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // Keep the mode of the file being replaced; a new file gets the given mode.
    struct stat st;
    mode_t m = static_cast<mode_t>(mode);
    if (stat(nativePath.c_str(), &st) == 0) m = st.st_mode & 07777;
    fchmod(fd, m);
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR) continue;
            int e = errno;
            close(fd);
            unlink(name.data());
            errno = e;
            return false;
        }
        p += w;
        left -= static_cast<size_t>(w);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        int e = errno;
        unlink(name.data());
        errno = e;
        return false;
    }
    if (rename(name.data(), nativePath.c_str()) != 0) {
        int e = errno;
        unlink(name.data());
        errno = e;
        return false;
    }
    // Make the rename itself durable.
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

bool ReadWholeFile(const std::string& nativePath, std::string* bytes, size_t maxBytes)
{
    bytes->clear();
    int fd = open(nativePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > maxBytes) {
        close(fd);
        errno = EINVAL;
        return false;
    }
    bytes->resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (got < bytes->size()) {
        ssize_t r = read(fd, bytes->data() + got, bytes->size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += static_cast<size_t>(r);
    }
    close(fd);
    if (got != bytes->size()) {
        bytes->clear();
        errno = EIO;
        return false;
    }
    return true;
}

bool MakeFolders(const std::string& nativePath, unsigned mode)
{
    for (size_t pos = 1; pos <= nativePath.size(); ++pos) {
        if (pos < nativePath.size() && nativePath[pos] != '/') continue;
        if (mkdir(nativePath.substr(0, pos).c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    }
    struct stat st;
    return stat(nativePath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
