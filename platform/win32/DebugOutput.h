// The platform's debug output, and the one trace viewer it goes to.
//
// A trace viewer (tools: rivo-trace-listen) listens on a local datagram
// socket in the user's private runtime folder. Each message is one record:
// a TraceRecordHeader (dwData 0, cbData) and cbData bytes of text in the ANSI
// code page with its terminating NUL. When no viewer listens, nothing is
// sent and nothing fails. The encoder's DebugTrace (foundation) formats its
// lines and sends them here; code of the platform layer, which lies below
// the foundation, writes with OutputDebugStringW, so both kinds of line
// reach the same viewer in the order they are written.
//
// Gaps: every call the platform layer answers with E_NOTIMPL, and every path
// it does not offer yet, writes one line the first time it is reached in the
// process (RIVO_TRACE_GAP, RIVO_NOT_IMPLEMENTED), so that what a run needs and
// does not find shows in the viewer:
//   "gap: CFilterGraph::GetEventHandle: not implemented"
// Answers that are part of an interface's contract (no allocator
// requirements, no seeking upstream, a position only renderers know) are
// not gaps and are not traced.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "WinTypes.h"

// Wire layout of one trace message: dwData, cbData, then cbData bytes.
struct TraceRecordHeader {
    uint32_t dwData;
    uint32_t cbData;
};
static_assert(sizeof(TraceRecordHeader) == 8);

// Where the viewer listens ("" when there is no private runtime folder).
std::string DebugOutputSocketPath();

// A socket connected to a running viewer, or -1 when there is none.
int ConnectDebugViewer();
// Sends the text (converted to the ANSI code page) as one record and closes
// the socket. A viewer that went away, or a text too large for one datagram,
// is simply not traced.
void SendDebugText(int socket, std::wstring_view text);

// One line to the viewer, when one listens.
void OutputDebugStringW(LPCWSTR text);

// Writes "gap: <place>: <what>" to the debug output; place is a function's
// name as the compiler spells it, shortened to Class::Method.
void TraceGap(const char* place, const wchar_t* what);

// The first time this place is reached in the process, writes a gap line:
// what (a string literal) names what is missing.
#define RIVO_TRACE_GAP(what)                                                          \
    ([](const char* place) {                                                          \
        static std::atomic<bool> traced{false};                                       \
        if (!traced.exchange(true, std::memory_order_relaxed)) TraceGap(place, what); \
    }(__PRETTY_FUNCTION__))

// E_NOTIMPL, with the gap traced once: return RIVO_NOT_IMPLEMENTED();
#define RIVO_NOT_IMPLEMENTED() (RIVO_TRACE_GAP(L"not implemented"), E_NOTIMPL)
