// Update launcher: answers the encoder's start-up question whether this build
// may run.
//
//   HvLauncher " <HVLAUNCHER_PARAM Command='checkversion' AgentName='...'
//               ProgramID='...' ForceCheck='1' CheckMinorVersion='0'
//               LocalVersionFilePath='...' />"
//
// The one argument is an XML element whose attribute values are escaped
// with the XML entities. No update service is reachable from here, so a
// well-formed version check is answered with exit code 0 ("up to date").
// Exit code 41 would mean that a newer version is required; exit code 2
// answers an argument that is not a well-formed version check.
#include <cstdio>
#include <cwctype>
#include <map>
#include <string>

#include "foundation/TextHelpers.h"
#include "platform/win32/CodePage.h"

namespace {

constexpr int kUpToDate = 0;
constexpr int kBadArgument = 2;

int Fail(const char* why)
{
    std::fprintf(stderr, "HvLauncher: %s\n", why);
    return kBadArgument;
}

void SkipBlanks(const std::wstring& s, size_t& i)
{
    while (i < s.size() && std::iswspace(s[i])) ++i;
}

// name='value' pairs up to "/>"; false when malformed or repeated.
bool ReadAttributes(const std::wstring& s, size_t i, std::map<std::wstring, std::wstring>* attributes)
{
    while (true) {
        SkipBlanks(s, i);
        if (s.compare(i, 2, L"/>") == 0) {
            i += 2;
            SkipBlanks(s, i);
            return i == s.size();
        }
        std::wstring name;
        while (i < s.size() && (std::iswalnum(s[i]) || s[i] == L'_')) name += s[i++];
        if (name.empty()) return false;
        SkipBlanks(s, i);
        if (i >= s.size() || s[i++] != L'=') return false;
        SkipBlanks(s, i);
        if (i >= s.size() || (s[i] != L'\'' && s[i] != L'"')) return false;
        wchar_t quote = s[i++];
        size_t close = s.find(quote, i);
        if (close == std::wstring::npos) return false;
        std::wstring raw = s.substr(i, close - i);
        if (raw.find(L'<') != std::wstring::npos) return false;
        if (!attributes->emplace(name, UnescapeXmlText(CString(raw)).str()).second) return false;
        i = close + 1;
    }
}

bool IsNumber(const std::wstring& s)
{
    if (s.empty()) return false;
    for (wchar_t c : s)
        if (!std::iswdigit(c)) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return Fail("expects exactly one argument: the HVLAUNCHER_PARAM element");
    std::wstring param = Utf8ToWide(argv[1]);
    size_t i = 0;
    SkipBlanks(param, i);
    const std::wstring element = L"<HVLAUNCHER_PARAM";
    if (param.compare(i, element.size(), element) != 0) return Fail("the argument is not an HVLAUNCHER_PARAM element");
    i += element.size();
    if (i >= param.size() || !std::iswspace(param[i])) return Fail("the element has no attributes");

    std::map<std::wstring, std::wstring> a;
    if (!ReadAttributes(param, i, &a)) return Fail("the element's attributes are malformed");
    for (const wchar_t* name :
         {L"Command", L"AgentName", L"ProgramID", L"ForceCheck", L"CheckMinorVersion", L"LocalVersionFilePath"})
        if (a.find(name) == a.end()) return Fail("an attribute of the version check is missing");
    if (a[L"Command"] != L"checkversion") return Fail("unknown command");
    if (a[L"ProgramID"].empty()) return Fail("no program id");
    if (!IsNumber(a[L"ForceCheck"]) || !IsNumber(a[L"CheckMinorVersion"]))
        return Fail("ForceCheck and CheckMinorVersion must be numbers");
    return kUpToDate;
}
