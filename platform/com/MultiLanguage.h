// The system's multi-language service (the class CMultiLanguage with its
// IMultiLanguage interface), served by the component runtime without
// registration, as the system serves it to every program. Of its methods
// only GetRfc1766FromLcid does work here (over the table of LanguageTags.h);
// the code-page and conversion methods answer E_NOTIMPL (a gap, traced once),
// because the program converts and detects code pages through the text
// layer directly.
#pragma once

#include "platform/com/OleAuto.h"
#include "platform/com/Unknown.h"
#include "platform/com/UnknownImpl.h"

constexpr CLSID CLSID_CMultiLanguage{0x275C23E2, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};
constexpr IID IID_IMultiLanguage{0x275C23E1, 0x3747, 0x11D0, {0x9F, 0xEA, 0x00, 0xAA, 0x00, 0x3F, 0x86, 0x46}};

// Records and enumerators the interface mentions and this system never uses.
struct MIMECPINFO;
struct MIMECSETINFO;
struct RFC1766INFO;
struct IEnumCodePage;
struct IEnumRfc1766;
struct IMLangConvertCharset;

// The published method order.
struct IMultiLanguage : IUnknown {
    virtual HRESULT GetNumberOfCodePageInfo(UINT* count) = 0;
    virtual HRESULT GetCodePageInfo(UINT codePage, MIMECPINFO* info) = 0;
    virtual HRESULT GetFamilyCodePage(UINT codePage, UINT* family) = 0;
    virtual HRESULT EnumCodePages(DWORD flags, IEnumCodePage** codePages) = 0;
    virtual HRESULT GetCharsetInfo(BSTR charset, MIMECSETINFO* info) = 0;
    virtual HRESULT IsConvertible(DWORD from, DWORD to) = 0;
    virtual HRESULT ConvertString(DWORD* mode, DWORD from, DWORD to, BYTE* source, UINT* sourceSize, BYTE* target,
                                  UINT* targetSize) = 0;
    virtual HRESULT ConvertStringToUnicode(DWORD* mode, DWORD encoding, CHAR* source, UINT* sourceSize, WCHAR* target,
                                           UINT* targetSize) = 0;
    virtual HRESULT ConvertStringFromUnicode(DWORD* mode, DWORD encoding, WCHAR* source, UINT* sourceSize, CHAR* target,
                                             UINT* targetSize) = 0;
    virtual HRESULT ConvertStringReset() = 0;
    // The locale's RFC 1766 tag as a new BSTR for the caller to free;
    // E_INVALIDARG for a locale the service does not know.
    virtual HRESULT GetRfc1766FromLcid(LCID locale, BSTR* tag) = 0;
    virtual HRESULT GetLcidFromRfc1766(LCID* locale, BSTR tag) = 0;
    virtual HRESULT EnumRfc1766(IEnumRfc1766** tags) = 0;
    virtual HRESULT GetRfc1766Info(LCID locale, RFC1766INFO* info) = 0;
    virtual HRESULT CreateConvertCharset(UINT from, UINT to, DWORD property, IMLangConvertCharset** converter) = 0;
};
RIVO_INTERFACE_ID(IMultiLanguage, IID_IMultiLanguage);

class CMultiLanguage final : public CUnknown, public IMultiLanguage {
public:
    explicit CMultiLanguage(IUnknown* outer) : CUnknown(outer) {}
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT GetNumberOfCodePageInfo(UINT* count) override;
    HRESULT GetCodePageInfo(UINT codePage, MIMECPINFO* info) override;
    HRESULT GetFamilyCodePage(UINT codePage, UINT* family) override;
    HRESULT EnumCodePages(DWORD flags, IEnumCodePage** codePages) override;
    HRESULT GetCharsetInfo(BSTR charset, MIMECSETINFO* info) override;
    HRESULT IsConvertible(DWORD from, DWORD to) override;
    HRESULT ConvertString(DWORD* mode, DWORD from, DWORD to, BYTE* source, UINT* sourceSize, BYTE* target,
                          UINT* targetSize) override;
    HRESULT ConvertStringToUnicode(DWORD* mode, DWORD encoding, CHAR* source, UINT* sourceSize, WCHAR* target,
                                   UINT* targetSize) override;
    HRESULT ConvertStringFromUnicode(DWORD* mode, DWORD encoding, WCHAR* source, UINT* sourceSize, CHAR* target,
                                     UINT* targetSize) override;
    HRESULT ConvertStringReset() override;
    HRESULT GetRfc1766FromLcid(LCID locale, BSTR* tag) override;
    HRESULT GetLcidFromRfc1766(LCID* locale, BSTR tag) override;
    HRESULT EnumRfc1766(IEnumRfc1766** tags) override;
    HRESULT GetRfc1766Info(LCID locale, RFC1766INFO* info) override;
    HRESULT CreateConvertCharset(UINT from, UINT to, DWORD property, IMLangConvertCharset** converter) override;
};
