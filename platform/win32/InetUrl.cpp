#include "InetUrl.h"

#include <cwchar>

#include "CString.h"
#include "CodePage.h"

namespace {

using namespace std::string_view_literals;

bool IsSchemeChar(wchar_t c, bool first)
{
    if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z')) return true;
    return !first && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.');
}

char HexDigit(unsigned v) { return "0123456789ABCDEF"[v & 15]; }

// RFC 3986 section 5.2.4: removes "." and ".." segments from a path.
std::wstring RemoveDotSegments(std::wstring_view in)
{
    std::wstring out;
    while (!in.empty()) {
        if (in.substr(0, 3) == L"../"sv) {
            in.remove_prefix(3);
        } else if (in.substr(0, 2) == L"./"sv) {
            in.remove_prefix(2);
        } else if (in.substr(0, 3) == L"/./"sv) {
            in.remove_prefix(2);
        } else if (in == L"/."sv) {
            in = L"/";
        } else if (in.substr(0, 4) == L"/../"sv || in == L"/.."sv) {
            in = in.size() == 3 ? std::wstring_view(L"/") : in.substr(3);
            size_t cut = out.rfind(L'/');
            out.erase(cut == std::wstring::npos ? 0 : cut);
        } else if (in == L"."sv || in == L".."sv) {
            in = {};
        } else {
            size_t next = in.find(L'/', in[0] == L'/' ? 1 : 0);
            if (next == std::wstring_view::npos) next = in.size();
            out.append(in.substr(0, next));
            in.remove_prefix(next);
        }
    }
    return out;
}

void AppendEscaped(std::wstring& out, unsigned char b)
{
    out += L'%';
    out += static_cast<wchar_t>(HexDigit(b >> 4));
    out += static_cast<wchar_t>(HexDigit(b));
}

}  // namespace

size_t UrlSchemeLength(std::wstring_view url)
{
    size_t i = 0;
    while (i < url.size() && IsSchemeChar(url[i], i == 0)) ++i;
    return (i > 0 && i < url.size() && url[i] == L':') ? i : 0;
}

size_t UrlAuthorityEnd(std::wstring_view url)
{
    size_t scheme = UrlSchemeLength(url);
    if (scheme == 0 || url.substr(scheme, 3) != L"://"sv) return 0;
    size_t end = url.find_first_of(L"/?#", scheme + 3);
    return end == std::wstring_view::npos ? url.size() : end;
}

std::string EncodeUrlBytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) {
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += HexDigit(b >> 4);
            out += HexDigit(b);
        } else {
            out += static_cast<char>(b);
        }
    }
    return out;
}

std::string UrlForWire(std::wstring_view url)
{
    size_t a = UrlAuthorityEnd(url);
    return WideToUtf8(url.substr(0, a)) + EncodeUrlBytes(WideToMultiByte(CP_ACP, url.substr(a)));
}

DWORD SplitUrl(std::wstring_view url, InetUrlParts* out)
{
    InetUrlParts parts;
    size_t schemeLength = UrlSchemeLength(url);
    if (schemeLength == 0) return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    parts.scheme = url.substr(0, schemeLength);
    struct Known {
        const wchar_t* name;
        INTERNET_SCHEME scheme;
        INTERNET_PORT port;
    } const known[] = {{L"http", INTERNET_SCHEME_HTTP, 80},
                       {L"https", INTERNET_SCHEME_HTTPS, 443},
                       {L"ftp", INTERNET_SCHEME_FTP, 21},
                       {L"gopher", INTERNET_SCHEME_GOPHER, 70},
                       {L"file", INTERNET_SCHEME_FILE, 0}};
    for (const Known& k : known) {
        if (CompareNoCase(parts.scheme, k.name) == 0) {
            parts.nScheme = k.scheme;
            parts.port = k.port;
        }
    }
    size_t rest = schemeLength + 1;
    size_t authorityEnd = UrlAuthorityEnd(url);
    if (authorityEnd > 0) {
        std::wstring_view authority = url.substr(rest + 2, authorityEnd - rest - 2);
        size_t at = authority.rfind(L'@');
        if (at != std::wstring_view::npos) {
            std::wstring_view userInfo = authority.substr(0, at);
            size_t colon = userInfo.find(L':');
            parts.user = userInfo.substr(0, colon);
            if (colon != std::wstring_view::npos) parts.password = userInfo.substr(colon + 1);
            authority = authority.substr(at + 1);
        }
        size_t portColon = std::wstring_view::npos;
        if (!authority.empty() && authority[0] == L'[') {
            size_t close = authority.find(L']');
            if (close == std::wstring_view::npos) return ERROR_INTERNET_INVALID_URL;
            parts.host = authority.substr(1, close - 1);
            if (close + 1 < authority.size()) {
                if (authority[close + 1] != L':') return ERROR_INTERNET_INVALID_URL;
                portColon = close + 1;
            }
        } else {
            portColon = authority.find(L':');
            parts.host = authority.substr(0, portColon);
        }
        if (portColon != std::wstring_view::npos) {
            std::wstring_view digits = authority.substr(portColon + 1);
            if (!digits.empty()) {
                unsigned value = 0;
                for (wchar_t c : digits) {
                    if (c < L'0' || c > L'9') return ERROR_INTERNET_INVALID_URL;
                    value = value * 10 + static_cast<unsigned>(c - L'0');
                    if (value > 65535) return ERROR_INTERNET_INVALID_URL;
                }
                if (value == 0) return ERROR_INTERNET_INVALID_URL;
                parts.port = static_cast<INTERNET_PORT>(value);
            }
        }
        rest = authorityEnd;
    }
    std::wstring_view tail = url.substr(rest);
    size_t extra = tail.find_first_of(L"?#");
    parts.path = tail.substr(0, extra);
    if (extra != std::wstring_view::npos) parts.extra = tail.substr(extra);
    *out = parts;
    return ERROR_SUCCESS;
}

std::wstring CanonicalizeUrl(std::wstring_view url)
{
    std::wstring_view text = url;
    auto blank = [](wchar_t c) { return c <= L' ' || c == 0x7F; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);

    std::wstring source(text);
    size_t authorityEnd = UrlAuthorityEnd(source);
    if (authorityEnd > 0) {
        size_t pathEnd = source.find_first_of(L"?#", authorityEnd);
        if (pathEnd == std::wstring::npos) pathEnd = source.size();
        std::wstring path = RemoveDotSegments(std::wstring_view(source).substr(authorityEnd, pathEnd - authorityEnd));
        source = source.substr(0, authorityEnd) + path + source.substr(pathEnd);
    }
    std::wstring out;
    for (size_t i = 0; i < source.size(); ++i) {
        wchar_t c = source[i];
        if (c < 0x80) {
            if (c <= L' ' || c == 0x7F || std::wcschr(L"\"<>\\^`{|}", c)) {
                AppendEscaped(out, static_cast<unsigned char>(c));
            } else {
                out += c;
            }
        } else if (i < authorityEnd) {
            out += c;  // host names outside ASCII stay for the resolver
        } else {
            for (unsigned char b : WideToMultiByte(CP_ACP, std::wstring_view(&source[i], 1))) AppendEscaped(out, b);
        }
    }
    return out;
}
