// Enumerators of a filter's pins and of a pin's preferred media types. Each
// holds a reference on the filter and remembers the version it started
// from: when the pins or the types change, Next and Skip answer
// VFW_E_ENUM_OUT_OF_SYNC until Reset.
#pragma once

#include <atomic>

#include "platform/dshow/BasePin.h"

class CEnumPins final : public IEnumPins {
public:
    explicit CEnumPins(CBaseFilter* filter, int position = 0);
    ~CEnumPins();

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumPins** clone) override;

private:
    std::atomic<LONG> refs_{1};
    CBaseFilter* filter_;
    int position_;
    int version_;
};

class CEnumMediaTypes final : public IEnumMediaTypes {
public:
    explicit CEnumMediaTypes(CBasePin* pin, int position = 0);
    ~CEnumMediaTypes();

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMediaTypes** clone) override;

private:
    std::atomic<LONG> refs_{1};
    CBasePin* pin_;
    int position_;
    int version_;
};
