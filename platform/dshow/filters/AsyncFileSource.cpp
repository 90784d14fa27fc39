#include "platform/dshow/filters/AsyncFileSource.h"

#include <cstring>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"
#include "platform/dshow/CheckBytes.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/NativePath.h"

CAsyncFileSource::CAsyncFileSource(IUnknown* outer)
    : CAsyncReader(L"File Source (Async.)", outer, &stream, CMediaType(MEDIATYPE_Stream), nullptr, CLSID_AsyncReader)
{
}

HRESULT CAsyncFileSource::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CAsyncFileSource>(outer, riid, object);
}

HRESULT CAsyncFileSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), object);
    return CAsyncReader::NonDelegatingQueryInterface(riid, object);
}

HRESULT CAsyncFileSource::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    if (GetPin(0)->IsConnected()) return E_UNEXPECTED;
    std::wstring path(fileName);
    HRESULT hr = stream.Open(path);
    if (FAILED(hr)) {
        file_.clear();
        return hr;
    }
    CMediaType offered(MEDIATYPE_Stream);
    if (type && type->majortype == MEDIATYPE_Stream && type->subtype != GUID_NULL) {
        offered.SetSubtype(type->subtype);
    } else {
        CheckBytesFile bytes;
        CheckBytesMatch match;
        if (bytes.Open(ToNativePath(path)) && FindTypeByCheckBytes(bytes, &match) && match.major == MEDIATYPE_Stream)
            offered.SetSubtype(match.subtype);
    }
    SetOfferedType(offered);
    file_ = path;
    return S_OK;
}

HRESULT CAsyncFileSource::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    *fileName = nullptr;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    if (file_.empty()) return E_FAIL;
    LPOLESTR copy = nullptr;
    if (HRESULT hr = CopyTextToTaskMemory(file_, &copy); FAILED(hr)) return hr;
    if (type) {
        HRESULT hr = CopyMediaType(type, &OfferedType());
        if (FAILED(hr)) {
            CoTaskMemFree(copy);
            return hr;
        }
    }
    *fileName = copy;
    return S_OK;
}
