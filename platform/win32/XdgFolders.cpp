#include "XdgFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "NativePath.h"

namespace {

std::string StripTrailingSlashes(std::string s)
{
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// The quoted value of a NAME="..." line, with its escapes undone; false when
// the quote is not closed.
bool QuotedValue(std::string_view text, std::string* value)
{
    if (text.empty() || text.front() != '"') return false;
    value->clear();
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            *value += text[++i];
        } else if (text[i] == '"') {
            return true;
        } else {
            *value += text[i];
        }
    }
    return false;
}

}  // namespace

std::string UserHomeFolder()
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

std::string XdgBaseFolder(const char* variable, const char* underHome)
{
    if (const char* v = std::getenv(variable); v && *v == '/') return StripTrailingSlashes(v);
    std::string home = UserHomeFolder();
    return home.empty() ? home : home + underHome;
}

std::map<std::string, std::string> XdgUserDirs()
{
    std::map<std::string, std::string> dirs;
    std::string config = XdgBaseFolder("XDG_CONFIG_HOME", "/.config");
    std::string text;
    if (config.empty() || !ReadWholeFile(config + "/user-dirs.dirs", &text, 1u << 20)) return dirs;
    std::string home = UserHomeFolder();
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string_view line(text.data() + pos, nl - pos);
        pos = nl + 1;
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) continue;
        std::string value;
        if (!QuotedValue(line.substr(equals + 1), &value)) continue;
        if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
            if (home.empty()) continue;
            value = home + value.substr(5);
        } else if (value.empty() || value.front() != '/') {
            continue;  // only absolute paths and paths under $HOME count
        }
        dirs[std::string(line.substr(0, equals))] = StripTrailingSlashes(value);
    }
    return dirs;
}
