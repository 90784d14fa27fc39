#include "encoder/pipeline/FileStreamReader.h"

#include <cstring>

#include "platform/com/ComRuntime.h"

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
    size_t bytes = (fileName_.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, fileName_.c_str(), bytes);
    *fileName = copy;
    if (type) CopyMediaType(type, &OfferedType());
    return S_OK;
}
