// Base of the component objects this code base implements: a thread-safe
// reference count and an IUnknown of the object's own (the non-delegating
// one), with aggregation.
//
// An object made without an outer object answers its interfaces itself.
// An object made with an outer object (aggregated) sends every IUnknown call
// made through its interfaces to the outer object, so the outer object's
// identity and count govern; only the inner unknown (GetInner), which the
// outer object keeps, reaches the object's own count and its
// NonDelegatingQueryInterface.
//
// A derived class lists its interfaces as bases, puts RIVO_DECLARE_IUNKNOWN
// in its body and answers its interfaces in NonDelegatingQueryInterface with
// GetInterface, passing everything else to its base. A new object starts with
// a count of 0: the creator asks it for an interface (CreateComObject does).
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "platform/com/Unknown.h"

class CUnknown {
public:
    // outer: the aggregating object, or null.
    explicit CUnknown(IUnknown* outer);
    virtual ~CUnknown();
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    // IID_IUnknown gives the inner unknown; every other interface fails.
    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** object);
    virtual ULONG NonDelegatingAddRef();
    // Deletes the object when the count reaches 0.
    virtual ULONG NonDelegatingRelease();

    // Where the interfaces' IUnknown calls go: the outer object, or the
    // inner unknown of this one.
    IUnknown* GetOwner() const { return owner_; }
    // The object's own identity: what an aggregating object holds.
    IUnknown* GetInner() { return &inner_; }
    // The current count, for tests and diagnostics only.
    LONG GetRefCount() const { return refs_.load(std::memory_order_relaxed); }

private:
    // The non-delegating IUnknown as a real interface object.
    struct Inner final : IUnknown {
        CUnknown* self = nullptr;
        HRESULT QueryInterface(REFIID riid, void** object) override
        {
            return self->NonDelegatingQueryInterface(riid, object);
        }
        ULONG AddRef() override { return self->NonDelegatingAddRef(); }
        ULONG Release() override { return self->NonDelegatingRelease(); }
    };

    std::atomic<LONG> refs_{0};
    Inner inner_;
    IUnknown* owner_;
};

// Gives out an interface pointer with a reference (counted on the owner).
HRESULT GetInterface(IUnknown* p, void** object);

// The IUnknown methods of a class derived from CUnknown and one or more
// interfaces: they delegate to the owner.
#define RIVO_DECLARE_IUNKNOWN                                                                                        \
    HRESULT QueryInterface(REFIID riid, void** object) override { return GetOwner()->QueryInterface(riid, object); } \
    ULONG AddRef() override { return GetOwner()->AddRef(); }                                                         \
    ULONG Release() override { return GetOwner()->Release(); }

// Makes an object of class T (constructed with outer and args) and asks it
// for riid. With an outer object, only IID_IUnknown may be asked
// (CLASS_E_NOAGGREGATION otherwise), and the inner unknown is given.
template <class T, class... Args>
HRESULT CreateComObject(IUnknown* outer, REFIID riid, void** object, Args&&... args)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    T* p = new (std::nothrow) T(outer, std::forward<Args>(args)...);
    if (!p) return E_OUTOFMEMORY;
    p->NonDelegatingAddRef();
    HRESULT hr = p->NonDelegatingQueryInterface(riid, object);
    p->NonDelegatingRelease();
    return hr;
}

// A class factory for classes made by a creator function. Factories of this
// kind are usually static objects: their count never deletes them.
class CClassFactory final : public IClassFactory {
public:
    using Creator = HRESULT (*)(IUnknown* outer, REFIID riid, void** object);
    explicit CClassFactory(Creator creator) : creator_(creator) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    Creator creator_;
};
