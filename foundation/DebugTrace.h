// Diagnostic lines sent to an outside trace viewer, at no cost when no viewer
// runs: the arguments are not even formatted then. The viewer listens on a
// local datagram socket in the user's private runtime folder; each message is
// one copy-data record (see TraceRecord) holding the text in the ANSI code
// page with its terminating NUL.
#pragma once

#include <string>

#include "platform/win32/Format.h"
#include "platform/win32/WinTypes.h"

// Wire layout of one trace message: dwData, cbData, then cbData bytes.
struct TraceRecordHeader {
    uint32_t dwData;
    uint32_t cbData;
};
static_assert(sizeof(TraceRecordHeader) == 8);

// Where the viewer listens.
std::string DebugTraceSocketPath();

namespace debug_trace_detail {
// A socket connected to a running viewer, or -1 when there is none.
int ConnectViewer();
// Sends the text (converted to the ANSI code page) and closes the socket.
void SendAndClose(int socket, const std::wstring& text);
}  // namespace debug_trace_detail

template <class... A>
void DebugTrace(const wchar_t* format, const A&... args)
{
    int s = debug_trace_detail::ConnectViewer();
    if (s < 0) return;
    debug_trace_detail::SendAndClose(s, FormatText(format, args...));
}
