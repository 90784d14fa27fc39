// The table of the internet layer's live handles: sessions, connections and
// requests. A handle is an opaque id, never reused, that names a shared
// object; a stale or foreign handle fails with ERROR_INVALID_HANDLE, a handle
// of the wrong kind with ERROR_INTERNET_INCORRECT_HANDLE_TYPE. Lookups hand
// out a reference, so a handle closed on another thread leaves the object
// alive until its user is done with it.
#pragma once

#include <memory>
#include <string>

#include "Inet.h"

enum class InetKind { Session, Connection, Request };

// What every handle carries: options set on a session are inherited by the
// connections and requests made from it afterwards.
struct InetObject {
    struct Timeouts {
        DWORD connect = 60000;
        DWORD send = 30000;
        DWORD receive = 30000;
        DWORD dataSend = 30000;
        DWORD dataReceive = 30000;
    };

    explicit InetObject(InetKind k) : kind(k) {}
    virtual ~InetObject() = default;
    // Takes over the options of the handle it is made from.
    void Inherit(const InetObject& from)
    {
        timeouts = from.timeouts;
        agent = from.agent;
        directProxy = from.directProxy;
    }

    InetKind kind;
    Timeouts timeouts;
    std::string agent;
    bool directProxy = false;
};

class InetHandleTable {
public:
    static HINTERNET Register(std::shared_ptr<InetObject> object);
    // The object behind a handle, or null (ERROR_INVALID_HANDLE set).
    static std::shared_ptr<InetObject> Lookup(HINTERNET handle);
    // The object behind a handle of that kind, or null with the last error
    // set.
    template <class T>
    static std::shared_ptr<T> LookupAs(HINTERNET handle, InetKind kind)
    {
        auto object = Lookup(handle);
        if (!object) return nullptr;
        if (object->kind != kind) {
            SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
            return nullptr;
        }
        return std::static_pointer_cast<T>(object);
    }
    // Takes the handle out of the table; its object goes once the last
    // user lets go. False (ERROR_INVALID_HANDLE set) for an unknown handle.
    static bool Close(HINTERNET handle);
};
