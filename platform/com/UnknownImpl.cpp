#include "platform/com/UnknownImpl.h"

CUnknown::CUnknown(IUnknown* outer)
{
    inner_.self = this;
    owner_ = outer ? outer : static_cast<IUnknown*>(&inner_);
}

CUnknown::~CUnknown() = default;

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown) return GetInterface(&inner_, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() { return static_cast<ULONG>(refs_.fetch_add(1, std::memory_order_relaxed) + 1); }

ULONG CUnknown::NonDelegatingRelease()
{
    LONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        // A destructor that hands out and takes back a reference to itself
        // must not bring the count to zero a second time.
        refs_.store(1, std::memory_order_relaxed);
        delete this;
        return 0;
    }
    return static_cast<ULONG>(left);
}

HRESULT GetInterface(IUnknown* p, void** object)
{
    if (!object) return E_POINTER;
    *object = p;
    p->AddRef();
    return S_OK;
}

HRESULT CClassFactory::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    return creator_(outer, riid, object);
}
