#include "encoder/pipeline/FileStreamReader.h"

#include <cstring>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"

namespace {

const AM_MEDIA_TYPE& TypeOrEmpty(const AM_MEDIA_TYPE* type)
{
    static const AM_MEDIA_TYPE empty{};
    return type ? *type : empty;
}

}  // namespace

CFileStreamReader::CFileStreamReader(CSrcFileStream* stream, const AM_MEDIA_TYPE* type, HRESULT* result)
    : CAsyncReader(nullptr, nullptr, stream, TypeOrEmpty(type), result)
{
}

HRESULT CFileStreamReader::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), object);
    return CAsyncReader::NonDelegatingQueryInterface(riid, object);
}

HRESULT CFileStreamReader::Load(LPCOLESTR, const AM_MEDIA_TYPE*) { return S_OK; }

HRESULT CFileStreamReader::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    if (HRESULT hr = CopyTextToTaskMemory(m_fileName, fileName); FAILED(hr)) return hr;
    if (type) CopyMediaType(type, &OfferedType());
    return S_OK;
}
