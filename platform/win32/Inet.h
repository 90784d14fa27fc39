// The internet client calls the application makes (sessions, connections,
// HTTP requests, URL cracking and canonicalising), backed by libcurl. The
// handles live in InetHandleTable, URL texts are InetUrl's, and each request
// is an InetRequest.
//
// Behaviour of the platform's calls that is kept:
// - Handles are opaque ids checked against a table of live handles; a stale
//   or foreign handle fails with ERROR_INVALID_HANDLE. A handle is used by
//   one thread at a time; different handles may be used on different threads.
// - Options set on a session are inherited by the connections and requests
//   made from it afterwards.
// - Requests speak HTTP/1.1 (or HTTP/1.0 when asked), never HTTP/2, send no
//   Accept-Encoding (ranges and lengths are on the raw bytes), follow
//   redirects between http and https addresses, and verify https
//   certificates. Nothing is cached: every request goes to the server.
// - A request's body is read as it arrives: at most a small window of it is
//   held in memory, the server is held back (TCP flow control) while the
//   reader does not read, so any size of resource can be read through.
// - InternetReadFile waits until the buffer is full or the body has ended;
//   a body that ends before its announced length simply ends (the reader sees
//   a short read). A receive time-out is the longest silence allowed while
//   waiting for the response or its data.
// - Errors are reported by result and GetLastError with the platform's codes
//   (ERROR_INTERNET_*, ERROR_HTTP_*).
//
// Default time-outs: connect 60,000 ms, send and receive 30,000 ms.
// The pre-configured proxy setting takes the proxy from the environment
// (http_proxy, https_proxy, no_proxy); the direct setting uses none.
#pragma once

#include <string>
#include <vector>

#include "WinTypes.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

// ---- Session -----------------------------------------------------------------
constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;
constexpr DWORD INTERNET_SERVICE_HTTP = 3;

// ---- Request flags -------------------------------------------------------------
// Reload, no-cache-write and no-UI are accepted and change nothing here (there
// is no cache and no user interface); pragma no-cache sends "Pragma: no-cache";
// secure makes the request https; keep-connection is accepted.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000u;
constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000u;
constexpr DWORD INTERNET_FLAG_NO_UI = 0x00000200u;
constexpr DWORD INTERNET_FLAG_PRAGMA_NOCACHE = 0x00000100u;

// ---- Options (each a DWORD of milliseconds) --------------------------------------
constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr DWORD INTERNET_OPTION_DATA_SEND_TIMEOUT = 7;
constexpr DWORD INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8;

// ---- Header queries ----------------------------------------------------------------
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_VERSION = 18;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
// The buffer holds the header's name on entry.
constexpr DWORD HTTP_QUERY_CUSTOM = 65535;

// Adding request headers: add-if-new refuses a header whose name is already
// there (ERROR_HTTP_HEADER_ALREADY_EXISTS); add appends.
constexpr DWORD HTTP_ADDREQ_FLAG_ADD_IF_NEW = 0x10000000u;
constexpr DWORD HTTP_ADDREQ_FLAG_ADD = 0x20000000u;

// ---- Errors ------------------------------------------------------------------------
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr DWORD ERROR_INTERNET_INVALID_CA = 12045;
constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr DWORD ERROR_HTTP_INVALID_HEADER = 12153;
constexpr DWORD ERROR_HTTP_HEADER_ALREADY_EXISTS = 12155;
constexpr DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
constexpr DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;

// ---- URL cracking ------------------------------------------------------------------
enum INTERNET_SCHEME : int {
    INTERNET_SCHEME_UNKNOWN = -1,
    INTERNET_SCHEME_DEFAULT = 0,
    INTERNET_SCHEME_FTP = 1,
    INTERNET_SCHEME_GOPHER = 2,
    INTERNET_SCHEME_HTTP = 3,
    INTERNET_SCHEME_HTTPS = 4,
    INTERNET_SCHEME_FILE = 5,
};

// For each part: a length of 0 means the part is not wanted; a null pointer
// with a non-zero length asks for a pointer into the cracked URL (and its
// length); a buffer receives a NUL-ended copy and the length without the NUL,
// its length in characters on entry. Extra information is the query and
// fragment, with their leading '?' or '#'.
struct URL_COMPONENTSW {
    DWORD dwStructSize = 0;
    LPWSTR lpszScheme = nullptr;
    DWORD dwSchemeLength = 0;
    INTERNET_SCHEME nScheme = INTERNET_SCHEME_UNKNOWN;
    LPWSTR lpszHostName = nullptr;
    DWORD dwHostNameLength = 0;
    INTERNET_PORT nPort = 0;
    LPWSTR lpszUserName = nullptr;
    DWORD dwUserNameLength = 0;
    LPWSTR lpszPassword = nullptr;
    DWORD dwPasswordLength = 0;
    LPWSTR lpszUrlPath = nullptr;
    DWORD dwUrlPathLength = 0;
    LPWSTR lpszExtraInfo = nullptr;
    DWORD dwExtraInfoLength = 0;
};

// ---- Calls ---------------------------------------------------------------------------
HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass, DWORD flags);
BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength);
// Opens an http or https URL: sends the request and returns once the
// response's headers have arrived. headersLength (DWORD)-1 means NUL-ended.
HINTERNET InternetOpenUrlW(HINTERNET session, LPCWSTR url, LPCWSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR context);
// Only remembers the server; nothing is connected until a request is sent.
HINTERNET InternetConnectW(HINTERNET session, LPCWSTR serverName, INTERNET_PORT port, LPCWSTR userName,
                           LPCWSTR password, DWORD service, DWORD flags, DWORD_PTR context);
// verb null or "GET"; version null, "HTTP/1.1" or "HTTP/1.0".
HINTERNET HttpOpenRequestW(HINTERNET connection, LPCWSTR verb, LPCWSTR objectName, LPCWSTR version, LPCWSTR referrer,
                           LPCWSTR* acceptTypes, DWORD flags, DWORD_PTR context);
BOOL HttpAddRequestHeadersW(HINTERNET request, LPCWSTR headers, DWORD headersLength, DWORD modifiers);
// Sends the request (no request body) and waits for the response's headers.
BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength);
// Texts of the last response: *bufferLength is the buffer's size in bytes on
// entry and the text's size in bytes without the NUL on success; a buffer too
// small fails with ERROR_INSUFFICIENT_BUFFER and *bufferLength the bytes
// needed with the NUL. index (may be null) picks among repeated headers and
// moves on to the next one.
BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);
// Waits for body data; *available is what can be read without waiting, 0 at
// the end of the body.
BOOL InternetQueryDataAvailable(HINTERNET file, LPDWORD available, DWORD flags, DWORD_PTR context);
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD toRead, LPDWORD read);
BOOL InternetCloseHandle(HINTERNET handle);

// flags 0 only: leading and trailing blanks and control characters go; the
// path loses its "." and ".." segments; blanks, control characters, characters
// outside ASCII (as bytes of the ANSI code page) and " < > \ ^ ` { | } are
// written as %XX; '%' stays as it is. *bufferLength is in characters: the
// buffer's size on entry, the text's length without the NUL on success, the
// size needed with the NUL on ERROR_INSUFFICIENT_BUFFER.
BOOL InternetCanonicalizeUrlW(LPCWSTR url, LPWSTR buffer, LPDWORD bufferLength, DWORD flags);
// flags 0 only; urlLength 0 means NUL-ended. A URL without a scheme fails
// with ERROR_INTERNET_UNRECOGNIZED_SCHEME, a bad port with
// ERROR_INTERNET_INVALID_URL.
BOOL InternetCrackUrlW(LPCWSTR url, DWORD urlLength, DWORD flags, URL_COMPONENTSW* components);

// Test seam: connection routes in the form "HOST:PORT:TO-HOST:TO-PORT". A
// request for HOST:PORT connects to TO-HOST:TO-PORT instead while keeping its
// URL, Host header and TLS server name. Empty by default.
void SetInternetConnectRoutes(const std::vector<std::string>& routes);
