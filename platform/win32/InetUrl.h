// URL texts of the internet layer: their parts, their canonical form, and the
// form libcurl is given. Only the text is looked at; nothing is resolved.
#pragma once

#include <string>
#include <string_view>

#include "Inet.h"

// The parts of a URL, as views into its text. The port is the one written,
// else the scheme's default (0 for schemes without one); extra is the query
// and fragment with their leading '?' or '#'.
struct InetUrlParts {
    std::wstring_view scheme, user, password, host, path, extra;
    INTERNET_PORT port = 0;
    INTERNET_SCHEME nScheme = INTERNET_SCHEME_UNKNOWN;
};

// Length of the scheme before ':', or 0 when the text has none.
size_t UrlSchemeLength(std::wstring_view url);
// End of "scheme://authority" (0 when the URL has no authority).
size_t UrlAuthorityEnd(std::wstring_view url);

// ERROR_SUCCESS, ERROR_INTERNET_UNRECOGNIZED_SCHEME for a text without a
// scheme, ERROR_INTERNET_INVALID_URL for a bad port or bracketed host.
DWORD SplitUrl(std::wstring_view url, InetUrlParts* parts);

// Leading and trailing blanks and control characters go; the path loses its
// "." and ".." segments; blanks, control characters, characters outside
// ASCII (as bytes of the ANSI code page; host names excepted) and
// " < > \ ^ ` { | } are written as %XX; '%' stays as it is.
std::wstring CanonicalizeUrl(std::wstring_view url);

// Percent-encodes the bytes a request line cannot carry as they are.
std::string EncodeUrlBytes(std::string_view bytes);
// The URL as libcurl takes it: the authority in UTF-8 (host names outside
// ASCII are left to IDN), the rest as bytes of the ANSI code page with
// anything unsafe percent-encoded.
std::string UrlForWire(std::wstring_view url);
