// CEnumFilters: an enumerator over a list of filters (the graph's, or its
// filter cache). It works on a snapshot that holds a reference on each
// filter; when the list changes, Next and Skip answer
// VFW_E_ENUM_OUT_OF_SYNC until Reset takes a new snapshot.
#pragma once

#include <atomic>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/FilterInterfaces.h"

// What an enumerator reads its list from.
class IFilterListSource {
public:
    virtual int ListVersion() = 0;
    // The filters in enumeration order.
    virtual std::vector<ComPtr<IBaseFilter>> ListFilters() = 0;

protected:
    ~IFilterListSource() = default;
};

class CEnumFilters final : public IEnumFilters {
public:
    // owner keeps the source alive: it is counted while the enumerator lives.
    CEnumFilters(IUnknown* owner, IFilterListSource* source);
    ~CEnumFilters();

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumFilters** clone) override;

private:
    std::atomic<LONG> refs_{1};
    IUnknown* owner_;
    IFilterListSource* source_;
    std::vector<ComPtr<IBaseFilter>> snapshot_;
    size_t position_ = 0;
    int version_ = 0;
};
