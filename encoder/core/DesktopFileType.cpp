#include "DesktopFileType.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "foundation/ShellHelpers.h"
#include "foundation/TextHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Process.h"

namespace {

const char kMimePackage[] = "/mime/packages/rivoenc-preset.xml";
const char kDefaultsSection[] = "[Default Applications]";

// The user's data folder (native, no trailing '/'), "" when unknown.
std::string DataFolder()
{
    CString folder;
    if (!RegReadShellFolder(L"AppData", folder, HKEY_CURRENT_USER)) return std::string();
    std::string path = ToNativePath(folder.str());
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return !path.empty() && path[0] == '/' ? path : std::string();
}

bool WriteText(const std::string& path, const std::string& text)
{
    size_t slash = path.rfind('/');
    return MakeFolders(path.substr(0, slash), 0755) && WriteFileAtomically(path, text, 0644);
}

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0 || errno == ENOENT; }

// A value of a desktop entry: no line breaks or other control characters.
std::string EntryValue(const CString& text)
{
    std::string out;
    for (char c : WideToUtf8(text.str()))
        if (static_cast<unsigned char>(c) >= 0x20) out += c;
    return out;
}

// The program as the first argument of an Exec line: quoted, with the
// characters the quoting reserves escaped, then the string escapes of a
// desktop entry applied on top; "%" is doubled for the field codes.
bool ExecProgram(const CString& programPath, std::string* out)
{
    std::string quoted = "\"";
    for (char c : WideToUtf8(programPath.str())) {
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    out->clear();
    for (char c : quoted) {
        if (c == '\\') *out += '\\';
        *out += c;
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(pos, nl - pos));
        pos = nl + 1;
    }
    return lines;
}

bool IsDefaultLine(const std::string& line)
{
    std::string key = WideToUtf8(kPresetMimeType);
    return line.compare(0, key.size() + 1, key + "=") == 0;
}

// Sets (or, with an empty value, removes) the preset type's line in the
// default-applications section of a mimeapps.list, keeping every other line.
// A line that names another application is only replaced, never removed.
bool EditDefaults(const std::string& path, const std::string& value)
{
    std::string text;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !ReadWholeFile(path, &text, 1u << 20)) return false;
    std::vector<std::string> lines = Lines(text);
    const std::string ours = WideToUtf8(kPresetMimeType) + "=" + WideToUtf8(kPresetDesktopEntry) + ";";
    std::vector<std::string> out;
    bool inDefaults = false, sectionSeen = false, placed = false;
    for (const std::string& line : lines) {
        if (!line.empty() && line[0] == '[') {
            if (inDefaults && !placed && !value.empty()) {
                out.push_back(value);
                placed = true;
            }
            inDefaults = line == kDefaultsSection;
            sectionSeen = sectionSeen || inDefaults;
        } else if (inDefaults && IsDefaultLine(line)) {
            if (!value.empty() && !placed) {
                out.push_back(value);
                placed = true;
            } else if (value.empty() && line != ours) {
                out.push_back(line);  // someone else's choice stays
            }
            continue;
        }
        out.push_back(line);
    }
    if (!value.empty() && !placed) {
        if (!sectionSeen) out.push_back(kDefaultsSection);
        out.push_back(value);
    }
    std::string result;
    for (const std::string& line : out) result += line + "\n";
    if (result == text) return true;
    return WriteText(path, result);
}

// A program of the system's search path, by absolute path; "" when absent.
std::string SystemProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t pos = 0;
    while (pos <= folders.size()) {
        size_t colon = folders.find(':', pos);
        if (colon == std::string::npos) colon = folders.size();
        std::string folder = folders.substr(pos, colon - pos);
        pos = colon + 1;
        if (folder.empty() || folder[0] != '/') continue;  // only absolute folders
        std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

void RunAndWait(const std::string& program, const std::string& argument)
{
    if (program.empty()) return;
    HANDLE process = SpawnProcess(Utf8ToWide(program), {Utf8ToWide(argument)});
    if (!process) return;
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
}

}  // namespace

bool RegisterDesktopPresetType(const CString& description, const CString& applicationName, const CString& programPath)
{
    std::string data = DataFolder();
    std::string exec;
    if (data.empty() || !ExecProgram(programPath, &exec)) return false;
    std::string mime = WideToUtf8(kPresetMimeType);
    std::string package =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
        mime +
        "\">\n"
        "    <comment>" +
        EntryValue(EscapeXmlText(description, 1)) +
        "</comment>\n"
        "    <glob pattern=\"*.rvp\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    std::string entry =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=" +
        EntryValue(applicationName) +
        "\n"
        "Exec=" +
        exec +
        " %f\n"
        "MimeType=" +
        mime +
        ";\n"
        "NoDisplay=true\n"
        "Terminal=false\n";
    std::string applications = data + "/applications/";
    bool ok = WriteText(data + kMimePackage, package);
    ok = WriteText(applications + WideToUtf8(kPresetDesktopEntry), entry) && ok;
    ok = EditDefaults(applications + "mimeapps.list", mime + "=" + WideToUtf8(kPresetDesktopEntry) + ";") && ok;
    return ok;
}

bool UnregisterDesktopPresetType()
{
    std::string data = DataFolder();
    if (data.empty()) return false;
    std::string applications = data + "/applications/";
    bool ok = RemoveFile(data + kMimePackage);
    ok = RemoveFile(applications + WideToUtf8(kPresetDesktopEntry)) && ok;
    struct stat st;
    if (stat((applications + "mimeapps.list").c_str(), &st) == 0)
        ok = EditDefaults(applications + "mimeapps.list", std::string()) && ok;
    return ok;
}

void NotifyDesktopAssociationChanged()
{
    std::string data = DataFolder();
    if (data.empty()) return;
    struct stat st;
    if (stat((data + "/mime").c_str(), &st) == 0) RunAndWait(SystemProgram("update-mime-database"), data + "/mime");
    if (stat((data + "/applications").c_str(), &st) == 0)
        RunAndWait(SystemProgram("update-desktop-database"), data + "/applications");
}
