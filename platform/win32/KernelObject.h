// Base of everything a HANDLE can stand for (open files, processes, later
// events and threads). Handles are checked against a table of live objects,
// so closing or using a stale or foreign handle fails with
// ERROR_INVALID_HANDLE instead of touching freed memory.
#pragma once

#include "WinTypes.h"

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

class KernelObject {
public:
    KernelObject();
    virtual ~KernelObject();
    KernelObject(const KernelObject&) = delete;
    KernelObject& operator=(const KernelObject&) = delete;

    HANDLE handle() { return this; }
    // Waits up to ms milliseconds (INFINITE for no limit) for the object to be
    // signalled; WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
    virtual DWORD Wait(DWORD ms);

    // The live object behind a handle, or null (and ERROR_INVALID_HANDLE)
    // when the handle is not one of ours. Callers hold the result only for
    // the duration of one call on the thread that owns the handle.
    static KernelObject* FromHandle(HANDLE h);
    template <class T>
    static T* As(HANDLE h)
    {
        T* p = dynamic_cast<T*>(FromHandle(h));
        if (!p) SetLastError(ERROR_INVALID_HANDLE);
        return p;
    }
};

BOOL CloseHandle(HANDLE h);
DWORD WaitForSingleObject(HANDLE h, DWORD ms);
