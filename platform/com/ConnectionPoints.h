// Connection points: how an object that raises events finds the sink of a
// client. The client asks the object's container for the connection point
// of an event interface and advises its sink there, keeping the cookie it is
// given for the unadvise. The method order is the published one; the
// enumerators, which this system never uses, are declared and left
// incomplete.
#pragma once

#include "platform/com/Unknown.h"

struct IConnectionPoint;
struct IConnectionPointContainer;
struct IEnumConnections;
struct IEnumConnectionPoints;

constexpr IID IID_IConnectionPoint{0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
constexpr IID IID_IConnectionPointContainer{
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHResult(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHResult(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHResult(0x80040202u);

struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    // The sink is asked for the event interface; the cookie names the
    // connection for Unadvise.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    // CONNECT_E_NOCONNECTION when the object raises no events of that interface.
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

RIVO_INTERFACE_ID(IConnectionPoint, IID_IConnectionPoint);
RIVO_INTERFACE_ID(IConnectionPointContainer, IID_IConnectionPointContainer);
