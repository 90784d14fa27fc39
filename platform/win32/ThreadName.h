// The name a thread of the program shows to the system's tools (top -H,
// gdb, perf, /proc/PID/task/TID/comm), so that the time and waits of the
// streaming, treatment and encoding threads can be told apart.
#pragma once

// Names the calling thread; a name longer than the system keeps (15
// bytes) is cut.
void NameCurrentThread(const char* name);
