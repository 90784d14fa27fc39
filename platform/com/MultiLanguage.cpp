#include "platform/com/MultiLanguage.h"

#include "platform/win32/DebugOutput.h"
#include "platform/win32/LanguageTags.h"

HRESULT CMultiLanguage::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CMultiLanguage>(outer, riid, object);
}

HRESULT CMultiLanguage::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMultiLanguage) return GetInterface(static_cast<IMultiLanguage*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CMultiLanguage::GetRfc1766FromLcid(LCID locale, BSTR* tag)
{
    if (!tag) return E_INVALIDARG;
    *tag = nullptr;
    const wchar_t* text = Rfc1766TagFromLcid(locale);
    if (!text) return E_INVALIDARG;
    *tag = SysAllocString(text);
    return *tag ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMultiLanguage::GetNumberOfCodePageInfo(UINT*) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::GetCodePageInfo(UINT, MIMECPINFO*) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::GetFamilyCodePage(UINT, UINT*) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::EnumCodePages(DWORD, IEnumCodePage** codePages)
{
    if (codePages) *codePages = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}
HRESULT CMultiLanguage::GetCharsetInfo(BSTR, MIMECSETINFO*) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::IsConvertible(DWORD, DWORD) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::ConvertString(DWORD*, DWORD, DWORD, BYTE*, UINT*, BYTE*, UINT*)
{
    return RIVO_NOT_IMPLEMENTED();
}
HRESULT CMultiLanguage::ConvertStringToUnicode(DWORD*, DWORD, CHAR*, UINT*, WCHAR*, UINT*)
{
    return RIVO_NOT_IMPLEMENTED();
}
HRESULT CMultiLanguage::ConvertStringFromUnicode(DWORD*, DWORD, WCHAR*, UINT*, CHAR*, UINT*)
{
    return RIVO_NOT_IMPLEMENTED();
}
HRESULT CMultiLanguage::ConvertStringReset() { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::GetLcidFromRfc1766(LCID*, BSTR) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::EnumRfc1766(IEnumRfc1766** tags)
{
    if (tags) *tags = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}
HRESULT CMultiLanguage::GetRfc1766Info(LCID, RFC1766INFO*) { return RIVO_NOT_IMPLEMENTED(); }
HRESULT CMultiLanguage::CreateConvertCharset(UINT, UINT, DWORD, IMLangConvertCharset** converter)
{
    if (converter) *converter = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}
