// The count that keeps a filter module loaded: every live object and class
// factory of the module holds one, and so does every LockServer(TRUE) not
// yet undone. DllCanUnloadNow answers S_OK only at zero. Each module links
// its own copy of this library, so each module has its own count.
#pragma once

class ModuleLock {
public:
    ModuleLock() { Lock(); }
    ~ModuleLock() { Unlock(); }
    ModuleLock(const ModuleLock&) = delete;
    ModuleLock& operator=(const ModuleLock&) = delete;

    static void Lock();
    static void Unlock();
    static long Count();
};
