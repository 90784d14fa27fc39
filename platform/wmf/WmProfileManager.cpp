#include "WmProfileManager.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/com/UnknownImpl.h"
#include "platform/win32/DebugOutput.h"
#include "platform/wmf/WmBufferProtocol.h"
#include "platform/wmf/WmCodecTable.h"
#include "platform/wmf/WmProfile.h"
#include "platform/wmf/WmStreamConfig.h"

namespace {

struct SEnumSetting {
    BOOL bVbr = FALSE;
    DWORD nPasses = 1;
};

class CWmProfileManager final : public CUnknown, public IWMProfileManager, public IWMCodecInfo3 {
public:
    CWmProfileManager(IUnknown* outer, std::shared_ptr<const CWmCodecTable> table)
        : CUnknown(outer), m_table(std::move(table)), m_settings(m_table->size())
    {
    }

    RIVO_DECLARE_IUNKNOWN

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IWMProfileManager) return GetInterface(static_cast<IWMProfileManager*>(this), object);
        if (riid == IID_IWMCodecInfo || riid == IID_IWMCodecInfo2 || riid == IID_IWMCodecInfo3)
            return GetInterface(static_cast<IWMCodecInfo3*>(this), object);
        return CUnknown::NonDelegatingQueryInterface(riid, object);
    }

    // IWMProfileManager
    HRESULT CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) override
    {
        return CWmProfile::Create(version, profile);
    }
    // The runtime ships no profiles: the out pointer is cleared and the gap
    // traced.
    HRESULT LoadProfileByID(REFGUID, IWMProfile** profile) override
    {
        return profile ? (*profile = nullptr, RIVO_NOT_IMPLEMENTED()) : E_POINTER;
    }
    HRESULT LoadProfileByData(const WCHAR*, IWMProfile** profile) override
    {
        return profile ? (*profile = nullptr, RIVO_NOT_IMPLEMENTED()) : E_POINTER;
    }
    HRESULT SaveProfile(IWMProfile*, WCHAR*, DWORD*) override { return RIVO_NOT_IMPLEMENTED(); }
    HRESULT GetSystemProfileCount(DWORD* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT LoadSystemProfile(DWORD, IWMProfile** profile) override
    {
        return profile ? (*profile = nullptr, RIVO_NOT_IMPLEMENTED()) : E_POINTER;
    }

    // IWMCodecInfo
    HRESULT GetCodecInfoCount(REFGUID majorType, DWORD* codecs) override
    {
        if (!codecs) return E_POINTER;
        DWORD n = 0;
        for (const SWmCodec& c : *m_table)
            if (c.majortype == majorType) ++n;
        *codecs = n;
        return S_OK;
    }

    HRESULT GetCodecFormatCount(REFGUID majorType, DWORD codec, DWORD* formats) override
    {
        if (!formats) return E_POINTER;
        size_t at = 0;
        if (!FindCodec(majorType, codec, &at)) return E_INVALIDARG;
        *formats = static_cast<DWORD>(Listed(at).size());
        return S_OK;
    }

    HRESULT GetCodecFormat(REFGUID majorType, DWORD codec, DWORD format, IWMStreamConfig** config) override
    {
        if (!config) return E_POINTER;
        *config = nullptr;
        const SWmCodecFormat* f = nullptr;
        HRESULT hr = FindFormat(majorType, codec, format, &f);
        if (FAILED(hr)) return hr;
        return MakeConfig(majorType, *f, config);
    }

    // IWMCodecInfo2
    HRESULT GetCodecName(REFGUID majorType, DWORD codec, WCHAR* name, DWORD* chars) override
    {
        if (!chars) return E_POINTER;
        size_t at = 0;
        if (!FindCodec(majorType, codec, &at)) return E_INVALIDARG;
        return CopyOutText((*m_table)[at].sName, name, chars);
    }

    HRESULT GetCodecFormatDesc(REFGUID majorType, DWORD codec, DWORD format, IWMStreamConfig** config,
                               WCHAR* description, DWORD* chars) override
    {
        if (config) *config = nullptr;
        if (!chars) return E_POINTER;
        const SWmCodecFormat* f = nullptr;
        HRESULT hr = FindFormat(majorType, codec, format, &f);
        if (FAILED(hr)) return hr;
        hr = CopyOutText(f->sDescription, description, chars);
        if (FAILED(hr) || !config) return hr;
        return MakeConfig(majorType, *f, config);
    }

    // IWMCodecInfo3
    HRESULT GetCodecFormatProp(REFGUID, DWORD, DWORD, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override
    {
        return NS_E_UNSUPPORTED_PROPERTY;
    }
    HRESULT GetCodecProp(REFGUID, DWORD, LPCWSTR, WMT_ATTR_DATATYPE*, BYTE*, DWORD*) override
    {
        return NS_E_UNSUPPORTED_PROPERTY;
    }

    HRESULT SetCodecEnumerationSetting(REFGUID majorType, DWORD codec, LPCWSTR name, WMT_ATTR_DATATYPE type,
                                       const BYTE* value, DWORD bytes) override
    {
        size_t at = 0;
        if (!name || !value || !FindCodec(majorType, codec, &at)) return E_INVALIDARG;
        const SWmCodec& c = (*m_table)[at];
        DWORD v = 0;
        if (bytes == sizeof v) std::memcpy(&v, value, sizeof v);
        if (std::wcscmp(name, g_wszVBREnabled) == 0) {
            if (type != WMT_TYPE_BOOL || bytes != sizeof(BOOL)) return E_INVALIDARG;
            if (v && !c.bVbrCapable) return NS_E_UNSUPPORTED_PROPERTY;
            m_settings[at].bVbr = v ? TRUE : FALSE;
            return S_OK;
        }
        if (std::wcscmp(name, g_wszNumPasses) == 0) {
            if (!c.bVbrCapable) return NS_E_UNSUPPORTED_PROPERTY;
            if (type != WMT_TYPE_DWORD || bytes != sizeof(DWORD)) return E_INVALIDARG;
            if (v < 1 || v > c.nMaxPasses) return E_INVALIDARG;
            m_settings[at].nPasses = v;
            return S_OK;
        }
        return NS_E_UNSUPPORTED_PROPERTY;
    }

    HRESULT GetCodecEnumerationSetting(REFGUID majorType, DWORD codec, LPCWSTR name, WMT_ATTR_DATATYPE* type,
                                       BYTE* value, DWORD* bytes) override
    {
        size_t at = 0;
        if (!name || !type || !bytes || !FindCodec(majorType, codec, &at)) return E_INVALIDARG;
        DWORD v = 0;
        if (std::wcscmp(name, g_wszVBREnabled) == 0) {
            *type = WMT_TYPE_BOOL;
            v = static_cast<DWORD>(m_settings[at].bVbr);
        } else if (std::wcscmp(name, g_wszNumPasses) == 0 && (*m_table)[at].bVbrCapable) {
            *type = WMT_TYPE_DWORD;
            v = m_settings[at].nPasses;
        } else {
            return NS_E_UNSUPPORTED_PROPERTY;
        }
        if (!value) {
            *bytes = sizeof v;
            return S_OK;
        }
        if (*bytes < sizeof v) {
            *bytes = sizeof v;
            return ASF_E_BUFFERTOOSMALL;
        }
        std::memcpy(value, &v, sizeof v);
        *bytes = sizeof v;
        return S_OK;
    }

private:
    // The table position of codec index `codec` among the codecs of the
    // major type.
    bool FindCodec(REFGUID majorType, DWORD codec, size_t* at) const
    {
        DWORD n = 0;
        for (size_t i = 0; i < m_table->size(); ++i) {
            if ((*m_table)[i].majortype != majorType) continue;
            if (n++ == codec) {
                *at = i;
                return true;
            }
        }
        return false;
    }

    // The formats that the codec's current settings list, in table order.
    std::vector<const SWmCodecFormat*> Listed(size_t at) const
    {
        std::vector<const SWmCodecFormat*> out;
        const SEnumSetting& s = m_settings[at];
        for (const SWmCodecFormat& f : (*m_table)[at].formats) {
            if (f.bVbr != static_cast<bool>(s.bVbr)) continue;
            if (f.bVbr && f.nPasses != s.nPasses) continue;
            out.push_back(&f);
        }
        return out;
    }

    HRESULT FindFormat(REFGUID majorType, DWORD codec, DWORD format, const SWmCodecFormat** f) const
    {
        size_t at = 0;
        if (!FindCodec(majorType, codec, &at)) return E_INVALIDARG;
        std::vector<const SWmCodecFormat*> listed = Listed(at);
        if (format >= listed.size()) return E_INVALIDARG;
        *f = listed[format];
        return S_OK;
    }

    static HRESULT MakeConfig(REFGUID majorType, const SWmCodecFormat& f, IWMStreamConfig** config)
    {
        CMediaType type(majorType);
        type.SetSubtype(f.subtype);
        type.SetFormatType(f.formattype);
        type.bFixedSizeSamples = f.bFixedSizeSamples;
        type.bTemporalCompression = f.bTemporalCompression;
        type.lSampleSize = f.lSampleSize;
        if (!f.format.empty() && !type.SetFormat(f.format.data(), static_cast<ULONG>(f.format.size())))
            return E_OUTOFMEMORY;
        *config = CWmStreamConfig::Create(majorType, type, f.nBitrate);
        return *config ? S_OK : E_OUTOFMEMORY;
    }

    std::shared_ptr<const CWmCodecTable> m_table;
    std::vector<SEnumSetting> m_settings;  // by table position
};

}  // namespace

HRESULT WMCreateProfileManager(IWMProfileManager** manager)
{
    if (!manager) return E_POINTER;
    *manager = nullptr;
    if (!WmRuntimePresent()) return REGDB_E_CLASSNOTREG;
    return CreateComObject<CWmProfileManager>(nullptr, IID_IWMProfileManager, reinterpret_cast<void**>(manager),
                                              CurrentWmCodecTable());
}
