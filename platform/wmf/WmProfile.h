// A profile of the Windows Media runtime, as the profile manager's
// CreateEmptyProfile makes it: a version, a name and description, and the
// stream configurations in the order they were added.
//
// What AddStream takes: a configuration of an audio or video stream, with a
// stream number (1..63) that no stream of the profile has yet and a media
// type with its subtype set (E_INVALIDARG otherwise); the profile keeps a
// copy. ReconfigStream replaces the stream of the same number (E_INVALIDARG
// when there is none); GetStream and GetStreamByNumber hand out copies.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/UnknownImpl.h"
#include "platform/wmf/WmInterfaces.h"

class CWmProfile final : public CUnknown, public IWMProfile {
public:
    CWmProfile(IUnknown* outer, WMT_VERSION version);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // A new empty profile of a version the runtime knows (4.0, 7.0, 8.0 or
    // 9.0; E_INVALIDARG otherwise), counted once in *profile.
    static HRESULT Create(WMT_VERSION version, IWMProfile** profile);

    HRESULT GetVersion(WMT_VERSION* version) override;
    HRESULT GetName(WCHAR* name, DWORD* chars) override;
    HRESULT SetName(const WCHAR* name) override;
    HRESULT GetDescription(WCHAR* description, DWORD* chars) override;
    HRESULT SetDescription(const WCHAR* description) override;
    HRESULT GetStreamCount(DWORD* streams) override;
    HRESULT GetStream(DWORD index, IWMStreamConfig** config) override;
    HRESULT GetStreamByNumber(WORD number, IWMStreamConfig** config) override;
    HRESULT RemoveStream(IWMStreamConfig* config) override;
    HRESULT RemoveStreamByNumber(WORD number) override;
    HRESULT AddStream(IWMStreamConfig* config) override;
    HRESULT ReconfigStream(IWMStreamConfig* config) override;
    HRESULT CreateNewStream(REFGUID streamType, IWMStreamConfig** config) override;
    HRESULT GetMutualExclusionCount(DWORD* count) override;
    HRESULT GetMutualExclusion(DWORD index, IWMMutualExclusion** exclusion) override;
    HRESULT RemoveMutualExclusion(IWMMutualExclusion* exclusion) override;
    HRESULT AddMutualExclusion(IWMMutualExclusion* exclusion) override;
    HRESULT CreateNewMutualExclusion(IWMMutualExclusion** exclusion) override;

private:
    struct SStream {
        WORD number;
        ComPtr<IWMStreamConfig> config;
    };
    // A checked copy of a configuration that may join the profile, and its
    // stream number.
    HRESULT CopyForProfile(IWMStreamConfig* config, ComPtr<IWMStreamConfig>* copy, WORD* number) const;
    // The position of the stream with the number, or -1.
    int FindStream(WORD number) const;

    WMT_VERSION version_;
    std::wstring name_;
    std::wstring description_;
    std::vector<SStream> streams_;
};
