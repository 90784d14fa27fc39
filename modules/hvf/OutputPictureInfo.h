// What the video treatment filter tells the graph about the pictures it
// gives: IBasicVideo answering the output picture's size, frame time and
// bit rate (and source and destination rectangles that are the whole
// picture). The graph hands its IBasicVideo calls to the first filter that
// offers the interface, so a graph that writes files, without a renderer,
// still learns the size that is encoded. Nothing can be changed through it.
#pragma once

#include <functional>

#include "modules/pictures/PictureFormat.h"
#include "platform/dshow/GraphInterfaces.h"

class OutputPictureInfo final : public IBasicVideo {
public:
    // owner: the filter, which counts the references; picture: the output
    // layout, false while there is none.
    OutputPictureInfo(IUnknown* owner, std::function<bool(PictureFormat*)> picture);

    HRESULT QueryInterface(REFIID riid, void** object) override { return m_owner->QueryInterface(riid, object); }
    ULONG AddRef() override { return m_owner->AddRef(); }
    ULONG Release() override { return m_owner->Release(); }

    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    HRESULT get_AvgTimePerFrame(REFTIME* time) override;
    HRESULT get_BitRate(LONG* rate) override;
    HRESULT get_BitErrorRate(LONG* rate) override;
    HRESULT get_VideoWidth(LONG* width) override;
    HRESULT get_VideoHeight(LONG* height) override;
    HRESULT put_SourceLeft(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceLeft(LONG* value) override;
    HRESULT put_SourceWidth(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceWidth(LONG* value) override;
    HRESULT put_SourceTop(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceTop(LONG* value) override;
    HRESULT put_SourceHeight(LONG) override { return E_NOTIMPL; }
    HRESULT get_SourceHeight(LONG* value) override;
    HRESULT put_DestinationLeft(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationLeft(LONG* value) override;
    HRESULT put_DestinationWidth(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationWidth(LONG* value) override;
    HRESULT put_DestinationTop(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationTop(LONG* value) override;
    HRESULT put_DestinationHeight(LONG) override { return E_NOTIMPL; }
    HRESULT get_DestinationHeight(LONG* value) override;
    HRESULT SetSourcePosition(LONG, LONG, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultSourcePosition() override { return S_OK; }
    HRESULT SetDestinationPosition(LONG, LONG, LONG, LONG) override { return E_NOTIMPL; }
    HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultDestinationPosition() override { return S_OK; }
    HRESULT GetVideoSize(LONG* width, LONG* height) override;
    HRESULT GetVideoPaletteEntries(LONG start, LONG count, LONG* retrieved, LONG* palette) override;
    HRESULT GetCurrentImage(LONG*, LONG*) override { return E_NOTIMPL; }
    HRESULT IsUsingDefaultSource() override { return S_OK; }
    HRESULT IsUsingDefaultDestination() override { return S_OK; }

private:
    // One value of the picture; E_POINTER for a null out pointer,
    // VFW_E_NOT_CONNECTED while there is no picture.
    HRESULT Read(LONG* out, LONG (*value)(const PictureFormat&));

    IUnknown* m_owner;
    std::function<bool(PictureFormat*)> m_picture;
};
