#include "InetHandleTable.h"

#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

std::mutex g_tableLock;
std::unordered_map<uintptr_t, std::shared_ptr<InetObject>> g_table;
uintptr_t g_nextId = 0x00CC0000u;

}  // namespace

HINTERNET InetHandleTable::Register(std::shared_ptr<InetObject> object)
{
    std::lock_guard<std::mutex> lock(g_tableLock);
    g_nextId += 4;  // ids are never reused
    g_table.emplace(g_nextId, std::move(object));
    return reinterpret_cast<HINTERNET>(g_nextId);
}

std::shared_ptr<InetObject> InetHandleTable::Lookup(HINTERNET handle)
{
    std::lock_guard<std::mutex> lock(g_tableLock);
    auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
    if (it == g_table.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

bool InetHandleTable::Close(HINTERNET handle)
{
    std::shared_ptr<InetObject> object;
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        auto it = g_table.find(reinterpret_cast<uintptr_t>(handle));
        if (it == g_table.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        object = std::move(it->second);
        g_table.erase(it);
    }
    object.reset();  // a request's transfer ends and its connection closes here
    return true;
}
