#include "platform/dshow/filters/LavSource.h"

#include <sys/stat.h>

#include <cstring>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/NativePath.h"

namespace {

// Network reads and connections give up after this long.
constexpr const char* kNetworkTimeoutMicroseconds = "10000000";

bool IsAddress(const std::wstring& name)
{
    size_t scheme = name.find(L"://");
    return scheme != std::wstring::npos && scheme > 1;
}

}  // namespace

const wchar_t* MediaSourceName(const CLSID& clsid)
{
    if (clsid == CLSID_WMAsfReader) return L"WM ASF Reader";
    if (clsid == CLSID_NetShowSource) return L"Windows Media Source";
    return L"Media Source";
}

CLavSource::CLavSource(IUnknown* outer, const CLSID& clsid, const wchar_t* name) : CLavDemuxFilter(name, outer, clsid)
{
}

CLavSource::CLavSource(IUnknown* outer, const CLSID& clsid, const wchar_t* name, std::vector<std::string> family)
    : CLavDemuxFilter(name, outer, clsid), family_(std::move(family))
{
}

HRESULT CLavSource::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFileSourceFilter) return GetInterface(static_cast<IFileSourceFilter*>(this), object);
    return CLavDemuxFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CLavSource::Load(LPCOLESTR fileName, const AM_MEDIA_TYPE*)
{
    if (!fileName) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    if (HasContainer()) return E_UNEXPECTED;
    std::wstring name(fileName);
    if (name.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    std::string url;
    AVDictionary* options = nullptr;
    if (IsAddress(name)) {
        url = ToNativePath(name);
        // "mms" names two transports; the one over HTTP is tried.
        if (url.compare(0, 6, "mms://") == 0) url = "mmsh://" + url.substr(6);
        av_dict_set(&options, "rw_timeout", kNetworkTimeoutMicroseconds, 0);
        av_dict_set(&options, "timeout", kNetworkTimeoutMicroseconds, 0);
    } else {
        std::string native = ToNativePath(name);
        struct stat st;
        if (::stat(native.c_str(), &st) != 0) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        // Only regular files: a FIFO or device could block the open.
        if (!S_ISREG(st.st_mode)) return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        url = "file:" + native;
    }
    int r = OpenFamily(url, options);
    av_dict_free(&options);
    if (r == AVERROR(ENOMEM)) return E_OUTOFMEMORY;
    if (r < 0) return r == AVERROR(ENOENT) ? HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) : VFW_E_UNKNOWN_FILE_TYPE;
    file_ = name;
    return S_OK;
}

bool CLavSource::InFamily(const AVInputFormat* format) const
{
    for (const std::string& member : family_)
        if (av_find_input_format(member.c_str()) == format) return true;
    return false;
}

int CLavSource::OpenWith(const std::string& url, const AVInputFormat* format, const AVDictionary* options,
                         AVFormatContext** opened)
{
    *opened = nullptr;
    AVDictionary* own = nullptr;
    if (options && av_dict_copy(&own, options, 0) < 0) {
        av_dict_free(&own);
        return AVERROR(ENOMEM);
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        av_dict_free(&own);
        return AVERROR(ENOMEM);
    }
    context->interrupt_callback.callback = &CLavDemuxFilter::Interrupted;
    context->interrupt_callback.opaque = static_cast<CLavDemuxFilter*>(this);
    int r = avformat_open_input(&context, url.c_str(), format, &own);
    av_dict_free(&own);
    if (r >= 0) *opened = context;
    return r;
}

int CLavSource::OpenFamily(const std::string& url, const AVDictionary* options)
{
    // What the library recognises the bytes as, then (for a family) each
    // member made to read them.
    std::vector<const AVInputFormat*> tries{nullptr};
    for (const std::string& member : family_)
        if (const AVInputFormat* format = av_find_input_format(member.c_str())) tries.push_back(format);
    int result = AVERROR_INVALIDDATA;
    const AVInputFormat* recognised = nullptr;
    for (const AVInputFormat* format : tries) {
        if (format && format == recognised) continue;  // read and refused already
        AVFormatContext* context = nullptr;
        int r = OpenWith(url, format, options, &context);
        if (r < 0) {
            result = r;
            // A file that cannot be opened at all is not tried again.
            if (r == AVERROR(ENOENT) || r == AVERROR(EACCES) || r == AVERROR(ENOMEM) || r == AVERROR_EXIT) return r;
            continue;
        }
        if (!format && !family_.empty() && !InFamily(context->iformat)) {
            avformat_close_input(&context);
            continue;
        }
        if (!format) recognised = context->iformat;
        if (SUCCEEDED(OpenContainer(context, nullptr))) return 0;  // the container owns the context now
        result = AVERROR_INVALIDDATA;
        if (family_.empty()) break;
    }
    return result;
}

HRESULT CLavSource::GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type)
{
    if (!fileName) return E_POINTER;
    *fileName = nullptr;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    if (file_.empty()) return E_FAIL;
    if (type) *type = AM_MEDIA_TYPE{};
    return CopyTextToTaskMemory(file_, fileName);
}
