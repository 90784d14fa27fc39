// CBasePin: the common part of every pin: connection negotiation, the
// connection's media type, pin information, media-type enumeration and the
// segment last announced by NewSegment.
//
// Connecting (on the output side): a complete media type is tried as it
// stands; a partial type or none lets the pins agree: first the receiving
// pin's preferred types, then this pin's own, each filtered by the partial
// type. A try runs CheckConnect, CheckMediaType, the peer's
// ReceiveConnection and CompleteConnect; a failure in between undoes what
// was done (BreakConnect), so a refused connection leaves both pins as they
// were.
#pragma once

#include <mutex>
#include <string>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaType.h"

class CBasePin : public IPin {
public:
    CBasePin(CBaseFilter* filter, const wchar_t* name, PIN_DIRECTION direction);
    virtual ~CBasePin();
    CBasePin(const CBasePin&) = delete;
    CBasePin& operator=(const CBasePin&) = delete;

    // IUnknown: the pin answers its own interfaces and counts on its filter.
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    virtual HRESULT NonDelegatingQueryInterface(REFIID riid, void** object);

    // IPin
    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
    HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* direction) override;
    HRESULT QueryId(LPWSTR* id) override;
    HRESULT QueryAccept(const AM_MEDIA_TYPE* type) override;
    HRESULT EnumMediaTypes(IEnumMediaTypes** types) override;
    HRESULT QueryInternalConnections(IPin** pins, ULONG* count) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // What derived pins decide.
    // S_OK when the type is acceptable; anything else refuses it.
    virtual HRESULT CheckMediaType(const CMediaType* type) = 0;
    // The preferred types from position 0: S_OK, VFW_S_NO_MORE_ITEMS past
    // the last. The base has none.
    virtual HRESULT GetMediaType(int position, CMediaType* type);
    virtual HRESULT SetMediaType(const CMediaType* type);
    // Checks the peer before a connection (the base: opposite direction).
    virtual HRESULT CheckConnect(IPin* pin);
    // Undoes CheckConnect and whatever the connection set up.
    virtual HRESULT BreakConnect();
    virtual HRESULT CompleteConnect(IPin* receivePin);
    // The filter leaves (Active) or enters (Inactive) the stopped state, and
    // starts running.
    virtual HRESULT Active();
    virtual HRESULT Inactive();
    virtual HRESULT Run(REFERENCE_TIME start);

    bool IsConnected() const { return connected_ != nullptr; }
    // The peer, without a reference.
    IPin* GetConnected() const { return connected_; }
    const CMediaType& CurrentMediaType() const { return mt_; }
    PIN_DIRECTION Direction() const { return direction_; }
    const std::wstring& Name() const { return name_; }
    CBaseFilter* Filter() const { return filter_; }
    bool IsStopped() const { return filter_->IsStopped(); }

    REFERENCE_TIME SegmentStart() const { return segmentStart_; }
    REFERENCE_TIME SegmentStop() const { return segmentStop_; }
    double SegmentRate() const { return segmentRate_; }

    // Changes when the pin's preferred types change (enumerators compare it).
    virtual int TypeVersion() { return 1; }

protected:
    HRESULT AgreeMediaType(IPin* receivePin, const CMediaType* partial);
    HRESULT TryMediaTypes(IPin* receivePin, const CMediaType* partial, IEnumMediaTypes* types);
    HRESULT AttemptConnection(IPin* receivePin, const CMediaType& type);

    CBaseFilter* filter_;
    std::recursive_mutex& lock_;  // the filter lock
    std::wstring name_;
    PIN_DIRECTION direction_;
    IPin* connected_ = nullptr;  // counted
    CMediaType mt_;
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME segmentStop_ = MAX_TIME;
    double segmentRate_ = 1.0;
};
