#include "KernelObject.h"

#include <mutex>
#include <unordered_set>

namespace {

std::mutex& TableLock()
{
    static std::mutex m;
    return m;
}

std::unordered_set<const KernelObject*>& Table()
{
    static auto* t = new std::unordered_set<const KernelObject*>();
    return *t;
}

}  // namespace

KernelObject::KernelObject()
{
    std::lock_guard<std::mutex> g(TableLock());
    Table().insert(this);
}

KernelObject::~KernelObject()
{
    std::lock_guard<std::mutex> g(TableLock());
    Table().erase(this);
}

DWORD KernelObject::Wait(DWORD) { return WAIT_FAILED; }

KernelObject* KernelObject::FromHandle(HANDLE h)
{
    std::lock_guard<std::mutex> g(TableLock());
    auto it = Table().find(static_cast<const KernelObject*>(h));
    if (it == Table().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return const_cast<KernelObject*>(*it);
}

BOOL CloseHandle(HANDLE h)
{
    KernelObject* o = KernelObject::FromHandle(h);
    if (!o) return FALSE;
    delete o;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms)
{
    KernelObject* o = KernelObject::FromHandle(h);
    if (!o) return WAIT_FAILED;
    return o->Wait(ms);
}
