#include "platform/dshow/filters/LavSplitter.h"

#include "platform/dshow/filters/FilterGuids.h"

namespace {

constexpr int kIoBufferSize = 256 * 1024;

}  // namespace

const std::vector<SplitterKind>& SplitterKinds()
{
    static const std::vector<SplitterKind> kinds = {
        {&CLSID_AviSplitter, L"AVI Splitter", {{&MEDIASUBTYPE_Avi, "avi"}}},
        {&CLSID_MpegSplitter,
         L"MPEG Splitter",
         {{&MEDIASUBTYPE_MPEG1System, "mpeg"},
          {&MEDIASUBTYPE_MPEG2_PROGRAM, "mpeg"},
          {&MEDIASUBTYPE_MPEG2_TRANSPORT, "mpegts"}}},
        {&CLSID_OggSplitter, L"Ogg Splitter", {{&MEDIASUBTYPE_OggStream, "ogg"}}},
        {&CLSID_MatroskaSplitter, L"Matroska Splitter", {{&MEDIASUBTYPE_MatroskaStream, "matroska"}}},
        {&CLSID_RealMediaSplitter, L"RealMedia Splitter", {{&MEDIASUBTYPE_RealMediaStream, "rm"}}},
        {&CLSID_StreamSplitter, L"Stream Splitter", {}},
    };
    return kinds;
}

// The byte stream of the connected reader, for the library's I/O.
struct CLavSplitter::ReaderIo {
    ComPtr<IAsyncReader> reader;
    LONGLONG position = 0;

    LONGLONG Length()
    {
        LONGLONG total = 0, available = 0;
        if (FAILED(reader->Length(&total, &available))) return -1;
        return total;
    }

    static int Read(void* opaque, uint8_t* buffer, int size)
    {
        auto* io = static_cast<ReaderIo*>(opaque);
        LONGLONG total = io->Length();
        if (total < 0) return AVERROR(EIO);
        if (io->position >= total || size <= 0) return AVERROR_EOF;
        LONG count = static_cast<LONG>(std::min<LONGLONG>(size, total - io->position));
        HRESULT hr = io->reader->SyncRead(io->position, count, buffer);
        if (hr != S_OK) return AVERROR(EIO);
        io->position += count;
        return count;
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence)
    {
        auto* io = static_cast<ReaderIo*>(opaque);
        LONGLONG total = io->Length();
        whence &= ~AVSEEK_FORCE;
        if (whence == AVSEEK_SIZE) return total >= 0 ? total : AVERROR(ENOSYS);
        LONGLONG target;
        if (whence == SEEK_SET)
            target = offset;
        else if (whence == SEEK_CUR)
            target = io->position + offset;
        else if (whence == SEEK_END && total >= 0)
            target = total + offset;
        else
            return AVERROR(EINVAL);
        if (target < 0) return AVERROR(EINVAL);
        io->position = target;
        return target;
    }
};

// ---- CLavInputPin ---------------------------------------------------------------------------

CLavInputPin::CLavInputPin(CLavSplitter* splitter) : CBasePin(splitter, L"Input", PINDIR_INPUT), splitter_(splitter) {}

HRESULT CLavInputPin::CheckMediaType(const CMediaType* type)
{
    const char* format = nullptr;
    if (!type || type->majortype != MEDIATYPE_Stream || !splitter_->Takes(type->subtype, &format)) return S_FALSE;
    return S_OK;
}

HRESULT CLavInputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    ComPtr<IAsyncReader> reader;
    if (FAILED(pin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(reader.GetAddressOf()))))
        return VFW_E_NO_TRANSPORT;
    return S_OK;
}

HRESULT CLavInputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBasePin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    ComPtr<IAsyncReader> reader;
    if (FAILED(receivePin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(reader.GetAddressOf()))))
        return VFW_E_NO_TRANSPORT;
    return splitter_->OpenReader(reader.Get(), CurrentMediaType().subtype);
}

HRESULT CLavInputPin::BreakConnect()
{
    splitter_->CloseReader();
    return CBasePin::BreakConnect();
}

// ---- CLavSplitter ---------------------------------------------------------------------------

CLavSplitter::CLavSplitter(IUnknown* outer, const SplitterKind& kind)
    : CLavDemuxFilter(kind.name, outer, *kind.clsid), kind_(kind), input_(std::make_unique<CLavInputPin>(this))
{
}

CLavSplitter::~CLavSplitter()
{
    // The reading thread uses the reader: it ends before the reader goes.
    CLavDemuxFilter::Stop();
    CloseReader();
}

CBasePin* CLavSplitter::GetPin(int n)
{
    if (n == 0) return input_.get();
    return Output(n - 1);
}

bool CLavSplitter::Takes(const GUID& subtype, const char** format) const
{
    if (kind_.inputs.empty()) {
        *format = "";
        return true;
    }
    for (const auto& in : kind_.inputs) {
        if (*in.subtype == subtype) {
            *format = in.format;
            return true;
        }
    }
    return false;
}

HRESULT CLavSplitter::OpenReader(IAsyncReader* reader, const GUID& subtype)
{
    const char* formatName = nullptr;
    if (!Takes(subtype, &formatName)) return VFW_E_TYPE_NOT_ACCEPTED;
    CloseReader();
    auto io = std::make_unique<ReaderIo>();
    io->reader = reader;
    const AVInputFormat* format = nullptr;
    if (*formatName) {
        format = av_find_input_format(formatName);
        if (!format) return VFW_E_INVALID_FILE_FORMAT;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (!buffer) return E_OUTOFMEMORY;
    AVIOContext* avio =
        avio_alloc_context(buffer, kIoBufferSize, 0, io.get(), &ReaderIo::Read, nullptr, &ReaderIo::Seek);
    if (!avio) {
        av_free(buffer);
        return E_OUTOFMEMORY;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        av_freep(&avio->buffer);
        avio_context_free(&avio);
        return E_OUTOFMEMORY;
    }
    context->pb = avio;
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    context->interrupt_callback.callback = &CLavDemuxFilter::Interrupted;
    context->interrupt_callback.opaque = static_cast<CLavDemuxFilter*>(this);
    // On failure the library frees the context (not the I/O, which is ours).
    if (avformat_open_input(&context, nullptr, format, nullptr) < 0) {
        av_freep(&avio->buffer);
        avio_context_free(&avio);
        return VFW_E_INVALID_FILE_FORMAT;
    }
    reader_ = std::move(io);
    HRESULT hr = OpenContainer(context, avio);
    if (FAILED(hr)) reader_.reset();
    return hr;
}

void CLavSplitter::CloseReader()
{
    CloseContainer();
    reader_.reset();
}
