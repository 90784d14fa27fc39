#include "CoreTestSupport.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <locale.h>
#include <sys/stat.h>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/OptionKey.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"

PrivateCoreWorld::PrivateCoreWorld()
{
    for (const char* d : {"home", "data", "config", "runtime", "prog"})
        std::filesystem::create_directories(temp_.File(d));
    chmod(temp_.File("runtime").c_str(), 0700);
    setenv("HOME", Home().c_str(), 1);
    setenv("XDG_CONFIG_HOME", temp_.File("config").c_str(), 1);
    setenv("XDG_DATA_HOME", DataHome().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", temp_.File("runtime").c_str(), 1);
    RegistryStoreReset();
    CCoreEnvironment::Get().SetProgramFolder(CString(WProgramFolder()));
}

PrivateCoreWorld::~PrivateCoreWorld()
{
    CCoreEnvironment::Get().SetProgramFolder(CString());
    RegistryStoreReset();
}

std::wstring PrivateCoreWorld::WProgramFolder() const { return Utf8ToWide(ProgramFolder()); }

void PrivateCoreWorld::WriteScript(const std::string& name, const std::string& body) const
{
    std::string path = ProgramFolder() + name;
    WriteBytes(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
}

void WriteUtf16Text(const std::string& path, const std::string& utf8Text)
{
    std::wstring text;
    for (wchar_t c : Utf8ToWide(utf8Text)) {
        if (c == L'\n') text += L'\r';
        text += c;
    }
    WriteBytes(path, "\xFF\xFE" + WideToUtf16LeBytes(text));
}

std::string DumpOptionKey()
{
    std::string out;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kOptionKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameChars = 256;
        DWORD type = 0;
        BYTE data[4096];
        DWORD bytes = sizeof data;
        if (RegEnumValueW(key, i, name, &nameChars, nullptr, &type, data, &bytes) != ERROR_SUCCESS) break;
        std::string line = WideToUtf8(name);
        if (type == REG_DWORD && bytes == 4) {
            DWORD v = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
            line += WideToUtf8(FormatText(L" REG_DWORD 4 0x%08X", v));
        } else {
            const char* typeName = type == REG_MULTI_SZ ? "REG_MULTI_SZ" : type == REG_SZ ? "REG_SZ" : "OTHER";
            std::wstring text = Utf16LeBytesToWide(data, bytes);
            while (!text.empty() && text.back() == L'\0') text.pop_back();
            line += " " + std::string(typeName) + " " + std::to_string(bytes) + " \"" + WideToUtf8(text) + "\"";
        }
        out += line + "\n";
    }
    RegCloseKey(key);
    return out;
}
