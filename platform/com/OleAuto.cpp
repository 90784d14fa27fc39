#include "platform/com/OleAuto.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// A BSTR block: the byte length in the last four bytes of an eight-byte head,
// so the text is aligned for any character access.
constexpr size_t kBstrHead = 8;

uint32_t* LengthField(BSTR text)
{
    return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(text) - sizeof(uint32_t));
}

// An array block keeps its element type in front of the published structure.
struct ArrayBlock {
    VARTYPE vt;
    SAFEARRAY array;
};

constexpr USHORT kFeatureHaveVartype = 0x0080;

ArrayBlock* BlockOf(SAFEARRAY* a)
{
    return reinterpret_cast<ArrayBlock*>(reinterpret_cast<char*>(a) - offsetof(ArrayBlock, array));
}

ULONG ElementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_UI1:
    case VT_I1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8: return 8;
    default: return 0;
    }
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    constexpr size_t kMaxChars = (std::numeric_limits<uint32_t>::max() - kBstrHead) / sizeof(OLECHAR) - 1;
    if (length > kMaxChars) return nullptr;
    size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(kBstrHead + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    auto* out = reinterpret_cast<BSTR>(block + kBstrHead);
    *LengthField(out) = static_cast<uint32_t>(bytes);
    if (text)
        std::memcpy(out, text, bytes);
    else
        std::memset(out, 0, bytes);
    out[length] = 0;
    return out;
}

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)));
}

void SysFreeString(BSTR text)
{
    if (text) std::free(reinterpret_cast<char*>(text) - kBstrHead);
}

UINT SysStringByteLen(BSTR text) { return text ? *LengthField(text) : 0; }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

void VariantInit(VARIANT* v)
{
    if (!v) return;
    std::memset(v, 0, sizeof(*v));
    v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v) return E_INVALIDARG;
    if (v->vt & VT_BYREF) {
        VariantInit(v);
        return S_OK;
    }
    if (v->vt & VT_ARRAY) {
        HRESULT hr = SafeArrayDestroy(v->parray);
        if (FAILED(hr)) return hr;
    } else {
        switch (v->vt) {
        case VT_BSTR: SysFreeString(v->bstrVal); break;
        case VT_UNKNOWN:
        case VT_DISPATCH:
            if (v->punkVal) v->punkVal->Release();
            break;
        case VT_EMPTY:
        case VT_NULL:
        case VT_ERROR: break;
        default:
            if (ElementSize(v->vt) == 0) return DISP_E_BADVARTYPE;
        }
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source)
{
    if (!dest || !source) return E_INVALIDARG;
    if (dest == source) return S_OK;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) return hr;
    VARIANT copy = *source;
    if (source->vt & VT_BYREF) {
        // The reference is copied as it stands.
    } else if (source->vt & VT_ARRAY) {
        hr = SafeArrayCopy(source->parray, &copy.parray);
        if (FAILED(hr)) return hr;
    } else if (source->vt == VT_BSTR) {
        if (source->bstrVal) {
            copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        }
    } else if (source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) {
        if (copy.punkVal) copy.punkVal->AddRef();
    }
    *dest = copy;
    return S_OK;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements)
{
    ULONG size = ElementSize(vt);
    if (size == 0) return nullptr;
    if (elements > std::numeric_limits<uint32_t>::max() / size) return nullptr;
    auto* block = static_cast<ArrayBlock*>(std::calloc(1, sizeof(ArrayBlock)));
    if (!block) return nullptr;
    void* data = std::calloc(elements ? elements : 1, size);
    if (!data) {
        std::free(block);
        return nullptr;
    }
    block->vt = vt;
    SAFEARRAY* a = &block->array;
    a->cDims = 1;
    a->fFeatures = kFeatureHaveVartype;
    a->cbElements = size;
    a->cLocks = 0;
    a->pvData = data;
    a->rgsabound[0].cElements = elements;
    a->rgsabound[0].lLbound = lowerBound;
    return a;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array)
{
    if (!array) return S_OK;
    if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::free(array->pvData);
    std::free(BlockOf(array));
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy)
{
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!array) return S_OK;
    SAFEARRAY* out =
        SafeArrayCreateVector(BlockOf(array)->vt, array->rgsabound[0].lLbound, array->rgsabound[0].cElements);
    if (!out) return E_OUTOFMEMORY;
    std::memcpy(out->pvData, array->pvData, static_cast<size_t>(array->cbElements) * array->rgsabound[0].cElements);
    *copy = out;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data)
{
    if (!array || !data) return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array)
{
    if (!array) return E_INVALIDARG;
    if (array->cLocks == 0) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* array) { return array ? array->cDims : 0; }

UINT SafeArrayGetElemsize(SAFEARRAY* array) { return array ? array->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound)
{
    if (!array || !bound) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    *bound = array->rgsabound[0].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound)
{
    if (!array || !bound) return E_INVALIDARG;
    if (dim != 1) return DISP_E_BADINDEX;
    *bound = array->rgsabound[0].lLbound + static_cast<LONG>(array->rgsabound[0].cElements) - 1;
    return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt)
{
    if (!array || !vt) return E_INVALIDARG;
    *vt = BlockOf(array)->vt;
    return S_OK;
}
