#include "ShellFolderKeys.h"

#include <array>

#include "CString.h"
#include "CodePage.h"
#include "NativePath.h"
#include "RegistryKey.h"
#include "XdgFolders.h"

namespace {

constexpr DWORD kTypeSz = 1;  // REG_SZ

const std::array<std::array<const wchar_t*, 6>, 2> kShellFolderKeys = {{
    {L"Software", L"Microsoft", L"Windows", L"CurrentVersion", L"Explorer", L"Shell Folders"},
    {L"Software", L"Microsoft", L"Windows", L"CurrentVersion", L"Explorer", L"User Shell Folders"},
}};

std::string TextValueBytes(const std::string& nativePath)
{
    return WideToUtf16LeBytes(FromNativePath(nativePath)) + std::string(2, '\0');
}

}  // namespace

AnsweredKey AnsweredKeyAt(RegRoot root, const RegPath& path)
{
    if (root != RegRoot::CurrentUser) return AnsweredKey::None;
    AnsweredKey kind = AnsweredKey::None;
    for (const auto& key : kShellFolderKeys) {
        if (path.size() > key.size()) continue;
        bool match = true;
        for (size_t i = 0; i < path.size() && match; ++i) match = CompareNoCase(path[i], key[i]) == 0;
        if (!match) continue;
        if (path.size() == key.size()) return AnsweredKey::ShellFolders;
        kind = AnsweredKey::Ancestor;
    }
    return kind;
}

bool InsideShellFolderKey(RegRoot root, const RegPath& path)
{
    if (path.size() < kShellFolderKeys[0].size()) return false;
    RegPath head(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(kShellFolderKeys[0].size()));
    return AnsweredKeyAt(root, head) == AnsweredKey::ShellFolders;
}

void AddAnsweredSubKeys(RegRoot root, const RegPath& path, std::map<std::wstring, std::wstring>* names)
{
    if (AnsweredKeyAt(root, path) != AnsweredKey::Ancestor) return;
    for (const auto& key : kShellFolderKeys) {
        bool match = true;
        for (size_t i = 0; i < path.size() && match; ++i) match = CompareNoCase(path[i], key[i]) == 0;
        if (match) names->emplace(FoldRegistryName(key[path.size()]), key[path.size()]);
    }
}

std::vector<RegValueData> ShellFolderValues()
{
    std::string home = UserHomeFolder();
    std::map<std::string, std::string> dirs = XdgUserDirs();
    auto userDir = [&](const char* name, const std::string& fallback) {
        auto it = dirs.find(name);
        return it == dirs.end() ? fallback : it->second;
    };
    std::string data = XdgBaseFolder("XDG_DATA_HOME", "/.local/share");
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
