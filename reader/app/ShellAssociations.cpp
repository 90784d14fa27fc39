#include "ShellAssociations.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "reader/ReaderStrings.h"

extern char** environ;

namespace {

// The types of .avi .wmv .asf .mp4 .3gp .k3g .rm .rmvb .mkv .ogm .flv, in
// that order; .k3g has no shared type and gets the package's.
const char* const kMimeTypes[] = {
    "video/x-msvideo",
    "video/x-ms-wmv",
    "video/x-ms-asf",
    "video/mp4",
    "video/3gpp",
    "video/x-rivo-k3g",
    "application/vnd.rn-realmedia",
    "application/vnd.rn-realmedia-vbr",
    "video/x-matroska",
    "video/x-ogm+ogg",
    "video/x-flv",
};

const char kDesktopName[] = "rivoreader-analyze.desktop";
const char kPackageName[] = "rivoreader-k3g.xml";

// A desktop entry's Exec argument: in double quotes with the characters the
// entry's quoting reserves escaped, then the backslashes of the string
// value doubled and every percent sign doubled.
std::string QuoteExecArgument(const std::string& path)
{
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value;
}

// Writes the whole text through a file beside the target that replaces it
// only when complete.
bool WriteWholeFile(const std::string& path, const std::string& text)
{
    std::string folder = path.substr(0, path.rfind('/'));
    if (!MakeFolders(folder, 0755)) return false;
    std::string temp = path + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    size_t written = 0;
    while (written < text.size()) {
        ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    bool ok = written == text.size();
    ok = (fchmod(fd, 0644) == 0) && ok;
    ok = (close(fd) == 0) && ok;
    if (ok) ok = std::rename(name.data(), path.c_str()) == 0;
    if (!ok) unlink(name.data());
    return ok;
}

// Runs a database tool found on the search path, quietly, and waits for it;
// nothing happens when the tool is not installed.
void RunToolIfPresent(const char* tool, const std::string& folder)
{
    const char* search = std::getenv("PATH");
    if (!search) return;
    std::string paths = search;
    bool found = false;
    size_t start = 0;
    while (start <= paths.size()) {
        size_t end = paths.find(':', start);
        if (end == std::string::npos) end = paths.size();
        std::string candidate = paths.substr(start, end - start) + "/" + tool;
        if (end > start && access(candidate.c_str(), X_OK) == 0) {
            found = true;
            break;
        }
        start = end + 1;
    }
    if (!found) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string toolName = tool;
    std::vector<char*> argv = {toolName.data(), const_cast<char*>(folder.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, tool, &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    }
    posix_spawn_file_actions_destroy(&actions);
}

void RefreshDatabases(const std::string& dataFolder)
{
    RunToolIfPresent("update-mime-database", dataFolder + "/mime");
    RunToolIfPresent("update-desktop-database", dataFolder + "/applications");
}

bool RemoveIfPresent(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

}  // namespace

std::string UserDataFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return data;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share";
    return std::string();
}

std::string AssociationDesktopEntryPath(const std::string& dataFolder)
{
    return dataFolder + "/applications/" + kDesktopName;
}

std::string AssociationTypePackagePath(const std::string& dataFolder)
{
    return dataFolder + "/mime/packages/" + kPackageName;
}

bool RegisterAssociations(const std::string& dataFolder, const std::string& programPath)
{
    if (dataFolder.empty() || programPath.empty()) return false;
    std::string types;
    for (const char* type : kMimeTypes) types += std::string(type) + ";";
    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=" +
        WideToUtf8(GetResString(IDS_SHELL_VERB_CAPTION)) +
        "\n"
        "Exec=" +
        QuoteExecArgument(programPath) +
        " %f\n"
        "MimeType=" +
        types +
        "\n"
        "NoDisplay=true\n"
        "Terminal=false\n";
    std::string package =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"video/x-rivo-k3g\">\n"
        "    <comment>K3G video</comment>\n"
        "    <glob pattern=\"*.k3g\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    bool ok = WriteWholeFile(AssociationTypePackagePath(dataFolder), package) &&
              WriteWholeFile(AssociationDesktopEntryPath(dataFolder), entry);
    RefreshDatabases(dataFolder);
    return ok;
}

bool UnregisterAssociations(const std::string& dataFolder)
{
    if (dataFolder.empty()) return false;
    bool ok = RemoveIfPresent(AssociationDesktopEntryPath(dataFolder));
    ok = RemoveIfPresent(AssociationTypePackagePath(dataFolder)) && ok;
    RefreshDatabases(dataFolder);
    return ok;
}
